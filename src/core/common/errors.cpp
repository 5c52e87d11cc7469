#include "errors.h"

#include "text.h"

namespace Ravenquill {

Exception::Exception(std::wstring message) : message_(std::move(message)), utf8_(Text::ToUtf8(message_)) {}

std::wstring MessageOf(const std::exception& e) {
    if (const auto* ours = dynamic_cast<const Exception*>(&e)) return ours->Message();
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
