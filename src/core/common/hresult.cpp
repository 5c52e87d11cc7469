#include "hresult.h"

namespace Ravenquill {

std::wstring HResultText(std::int32_t hr) {
    static constexpr wchar_t Digits[] = L"0123456789ABCDEF";
    const auto bits = static_cast<std::uint32_t>(hr);
    std::wstring text(8, L'0');
    for (int i = 0; i < 8; ++i) text[7 - i] = Digits[(bits >> (4 * i)) & 0xF];
    return text;
}

HResultException::HResultException(std::wstring_view subject, std::int32_t hr)
    : InvalidOperationException(std::wstring(subject) + L": 0x" + HResultText(hr)), hr_(hr) {}

}  // namespace Ravenquill
