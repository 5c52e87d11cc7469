#include "core/engine/platform/elevation.h"

namespace Ravenquill::Core::Elevation {

// The native build runs the pure logic only; tests answer the question through
// EngineServices::IsAdministrator.
bool CheckAdministrator() { return false; }

}  // namespace Ravenquill::Core::Elevation
