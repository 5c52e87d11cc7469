#pragma once
// The wizard mode: the installer window on the welcome or the uninstall page.
#include "app/program.h"

namespace Ravenquill::Program {

// 0 once the window has closed, whatever happened inside it; 1 when it cannot be shown.
int ShowWizard(ManifestPtr manifest, const Core::CommandLineOptions& options);

}  // namespace Ravenquill::Program
