#pragma once
// The screenshot mode: every page drawn without a window into PNG files in the directory.
#include <string>

#include "app/program.h"

namespace Ravenquill::Program {

int RenderScreenshots(ManifestPtr manifest, const Core::CommandLineOptions& options, const std::wstring& directory);

}  // namespace Ravenquill::Program
