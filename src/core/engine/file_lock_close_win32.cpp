#include <windows.h>

#include "core/common/unique_handle.h"
#include "core/engine/file_lock_platform.h"

namespace Ravenquill::Core::FileLockPlatform {

std::vector<LockingProcess> CloseProcesses(const std::vector<LockingProcess>& processes, const CancellationToken&) {
    return processes;
}

void WaitForExit(ProcessHandle, std::chrono::milliseconds, const CancellationToken&) {}

}  // namespace Ravenquill::Core::FileLockPlatform
