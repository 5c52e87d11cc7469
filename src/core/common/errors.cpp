#include "errors.h"

#include "text.h"

namespace Ravenquill {

Exception::Exception(std::wstring message) : message_(std::move(message)), utf8_(Text::ToUtf8(message_)) {}

std::wstring MessageOf(const std::exception& e) {
    if (const auto* ours = dynamic_cast<const Exception*>(&e)) return ours->Message();
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
