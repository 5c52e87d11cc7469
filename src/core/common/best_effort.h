#pragma once
// Which failures a best-effort step absorbs, in one place: a clean-up or an optional part of a
// run that fails so is left undone and the operation goes on, while any other failure is a fault
// that ends the operation.
#include <exception>

namespace Ravenquill {

// An input/output failure or access denied.
bool IsBestEffortFailure(const std::exception& failure) noexcept;

// The same for a step on the registry or the PATH variable, which also reports the platform's
// refusals as failures of their own: a PlatformException, a SecurityException (the rights a
// machine's key needs) or an ArgumentException (a name the registry refuses).
bool IsBestEffortRegistryFailure(const std::exception& failure) noexcept;

// Runs a best-effort step: true when it completed; false when it failed in a way `absorbs` takes,
// after handing the failure to `absorbed` (which may itself throw); any other failure propagates.
template <class Step, class Absorbs, class Absorbed>
bool TryBestEffort(Step&& step, Absorbs&& absorbs, Absorbed&& absorbed) {
    try {
        step();
        return true;
    } catch (const std::exception& failure) {
        if (!absorbs(failure)) throw;
        absorbed(failure);
    }
    return false;
}

template <class Step, class Absorbs = decltype(&IsBestEffortFailure)>
bool TryBestEffort(Step&& step, Absorbs&& absorbs = IsBestEffortFailure) {
    return TryBestEffort(step, absorbs, [](const std::exception&) {});
}

}  // namespace Ravenquill
