#include "core/engine/platform/shortcut.h"

#include "core/common/hresult.h"
#include "core/common/path.h"

namespace Ravenquill::Core::Shortcut {

void ThrowIfFailed(std::int32_t hr) { Ravenquill::ThrowIfFailed(hr, L"Ошибка при создании ярлыка"); }

std::wstring WorkingDirectoryFor(std::wstring_view target, const std::optional<std::wstring>& workingDir) {
    if (workingDir) return *workingDir;
    return Path::GetDirectoryName(target);
}

std::wstring DescriptionFor(std::wstring_view description) {
    return std::wstring(description.substr(0, MaxDescriptionLength));
}

}  // namespace Ravenquill::Core::Shortcut
