#include "shell/elevation_decision.h"

namespace Ravenquill::Shell {

bool MustRelaunchElevated(const Settings& settings, const Core::CommandLineOptions& options,
                          Core::EngineServices& engines) {
    return !options.Elevated && (settings.NeedsElevation() || engines.RequiresElevation(settings.InstallDir));
}

}  // namespace Ravenquill::Shell
