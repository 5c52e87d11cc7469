#include "errors.h"

#include <new>

#include "text.h"

namespace Ravenquill {

Exception::Exception(std::wstring message) : message_(std::move(message)), utf8_(Text::ToUtf8(message_)) {}

std::wstring MessageOf(const std::exception& e) {
    if (const auto* ours = dynamic_cast<const Exception*>(&e)) return ours->Message();
    // The run-time's own word for it ("std::bad_alloc") says nothing to a user.
    if (dynamic_cast<const std::bad_alloc*>(&e) != nullptr) return OutOfMemoryMessage;
    return Text::FromUtf8(e.what());
}

std::wstring MessageOf(const std::exception_ptr& failure) noexcept {
    if (!failure) return {};
    try {
        try {
            std::rethrow_exception(failure);
        } catch (const std::exception& e) {
            return MessageOf(e);
        } catch (...) {
            return UnknownFailureMessage;
        }
    } catch (...) {
        return {};
    }
}

}  // namespace Ravenquill
