#include "app/screenshot_mode.h"

#include "app/standard_error.h"

namespace Ravenquill::Program {

int RenderScreenshots(ManifestPtr, const Core::CommandLineOptions&, const std::wstring&) {
    WriteStandardErrorLine(L"Режим снимков экрана недоступен в этой сборке.");
    return 1;
}

}  // namespace Ravenquill::Program
