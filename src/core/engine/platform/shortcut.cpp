#include "core/engine/platform/shortcut.h"

#include "core/common/errors.h"
#include "core/common/path.h"

namespace Ravenquill::Core::Shortcut {

void ThrowIfFailed(std::int32_t hr) {
    if (hr < 0) throw InvalidOperationException(L"Ошибка при создании ярлыка: 0x" + HResultText(hr));
}

std::wstring HResultText(std::int32_t hr) {
    static constexpr wchar_t Digits[] = L"0123456789ABCDEF";
    const auto bits = static_cast<std::uint32_t>(hr);
    std::wstring text(8, L'0');
    for (int i = 0; i < 8; ++i) text[7 - i] = Digits[(bits >> (4 * i)) & 0xF];
    return text;
}

std::wstring WorkingDirectoryFor(std::wstring_view target, const std::optional<std::wstring>& workingDir) {
    if (workingDir) return *workingDir;
    return Path::GetDirectoryName(target);
}

std::wstring DescriptionFor(std::wstring_view description) {
    return std::wstring(description.substr(0, MaxDescriptionLength));
}

}  // namespace Ravenquill::Core::Shortcut
