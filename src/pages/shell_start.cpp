#include "shell_start.h"

#include "core/common/errors.h"

namespace Ravenquill::Pages {

void TryStart(Shell::ShellPlatform& platform, const std::wstring& file, const std::optional<std::wstring>& arguments,
              const std::optional<std::wstring>& workingDirectory) {
    try {
        platform.StartThroughShell(file, arguments, workingDirectory);
    } catch (const PlatformException&) {
    } catch (const InvalidOperationException&) {
    }
}

}  // namespace Ravenquill::Pages
