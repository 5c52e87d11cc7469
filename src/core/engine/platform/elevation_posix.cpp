#include "core/engine/platform/elevation.h"

namespace Ravenquill::Core::Elevation {

// The native build runs the pure logic only; code that asks is tested with a replaced test.
bool CheckAdministrator() { return false; }

}  // namespace Ravenquill::Core::Elevation
