#pragma once
// One block decoded ahead, lent to the reading thread; its slot is free again once the lease ends.
#include <cstddef>
#include <exception>
#include <memory>
#include <span>
#include <utility>

namespace Ravenquill::Core {

class PackageReadAhead;

class ReadAheadLease {
public:
    struct Slot;
    ReadAheadLease(std::shared_ptr<PackageReadAhead> owner, Slot& slot) noexcept
        : owner_(std::move(owner)), slot_(&slot) {}
    ~ReadAheadLease();
    ReadAheadLease(ReadAheadLease&& other) noexcept
        : owner_(std::move(other.owner_)), slot_(std::exchange(other.slot_, nullptr)) {}
    ReadAheadLease& operator=(ReadAheadLease&& other) noexcept;
    ReadAheadLease(const ReadAheadLease&) = delete;
    ReadAheadLease& operator=(const ReadAheadLease&) = delete;

    std::span<const std::byte> Bytes() const noexcept;
    // The failure of decoding it, if it failed.
    const std::exception_ptr& Failure() const noexcept;

private:
    std::shared_ptr<PackageReadAhead> owner_;
    Slot* slot_;
};

}  // namespace Ravenquill::Core
