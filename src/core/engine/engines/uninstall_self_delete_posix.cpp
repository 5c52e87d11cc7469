// The native build never runs from an installation, so there is no uninstaller to delete.
#include "uninstall_engine.h"

namespace Ravenquill::Core {

void UninstallEngine::ScheduleSelfDelete(const std::wstring&, const std::vector<std::wstring>&) {}

}  // namespace Ravenquill::Core
