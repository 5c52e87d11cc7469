#pragma once
// Whether an installation starts with an elevated relaunch: the one rule of the wizard's start of
// an installation and of the silent run.
#include "core/engine/engines/engine_services.h"
#include "core/model/command_line_options.h"
#include "settings.h"

namespace Ravenquill::Shell {

// Never for the elevated copy itself (started with "--elevated"): it would only ask again. Otherwise
// a per-machine scope without administrator rights relaunches, as it would fail at the machine-wide
// entry, the shortcuts and PATH even where the folder itself is writable; and so does a folder that
// the write probe refuses.
bool MustRelaunchElevated(const Settings& settings, const Core::CommandLineOptions& options,
                          Core::EngineServices& engines);

}  // namespace Ravenquill::Shell
