#include "app/wizard_startup.h"

#include "app/standard_error.h"

namespace Ravenquill::Program {

int ShowWizard(ManifestPtr, const Core::CommandLineOptions&) {
    WriteStandardErrorLine(L"Мастер установки недоступен в этой сборке.");
    return 1;
}

}  // namespace Ravenquill::Program
