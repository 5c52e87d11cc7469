#pragma once
// The one way a test replaces what the process holds in one place (the host, the number format,
// the lock-list source): the slot takes the replacement for the object's lifetime and its earlier
// value back afterwards, so replacements nest. Not synchronised with the slot's readers: replace
// before any thread that reads it starts, and keep the object until they have ended.
#include <utility>

namespace Ravenquill {

template <class T>
class ScopedOverride {
public:
    ScopedOverride(T& slot, T replacement) : slot_(slot), previous_(std::exchange(slot, std::move(replacement))) {}
    ~ScopedOverride() { slot_ = std::move(previous_); }
    ScopedOverride(const ScopedOverride&) = delete;
    ScopedOverride& operator=(const ScopedOverride&) = delete;

private:
    T& slot_;
    T previous_;
};

}  // namespace Ravenquill
