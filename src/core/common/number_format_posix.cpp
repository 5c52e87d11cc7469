#include "number_format.h"

namespace Ravenquill::Detail {

NumberFormat PlatformNumberFormat() { return {}; }

}  // namespace Ravenquill::Detail
