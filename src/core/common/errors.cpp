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

std::wstring MessageOf(const std::exception_ptr& e) {
    if (!e) return {};
    try {
        std::rethrow_exception(e);
    } catch (const std::exception& ex) {
        return MessageOf(ex);
    } catch (...) {
        return L"Unknown error.";
    }
}

}  // namespace Ravenquill
