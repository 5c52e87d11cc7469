// The native build has no system setting for applications' colours: it counts as dark.
#include "theme.h"

namespace Ravenquill::Ui::SystemTheme {

bool AppsUseLightTheme() { return false; }

}  // namespace Ravenquill::Ui::SystemTheme
