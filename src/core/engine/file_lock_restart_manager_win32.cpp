#include <windows.h>

#include "core/common/unique_handle.h"
#include "core/engine/file_lock_platform.h"

namespace Ravenquill::Core::FileLockPlatform {

std::vector<FileLockRecords::RestartManagerHolder> QueryRestartManagerList(const std::wstring&) { return {}; }

}  // namespace Ravenquill::Core::FileLockPlatform
