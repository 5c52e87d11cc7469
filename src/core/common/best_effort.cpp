#include "best_effort.h"

#include "errors.h"

namespace Ravenquill {

bool IsBestEffortFailure(const std::exception& failure) noexcept {
    return dynamic_cast<const IOException*>(&failure) != nullptr ||
           dynamic_cast<const UnauthorizedAccessException*>(&failure) != nullptr;
}

bool IsBestEffortRegistryFailure(const std::exception& failure) noexcept {
    return IsBestEffortFailure(failure) || dynamic_cast<const PlatformException*>(&failure) != nullptr ||
           dynamic_cast<const SecurityException*>(&failure) != nullptr ||
           dynamic_cast<const ArgumentException*>(&failure) != nullptr;
}

}  // namespace Ravenquill
