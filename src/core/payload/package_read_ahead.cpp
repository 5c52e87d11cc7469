#include "package_read_ahead.h"

#include <algorithm>
#include <atomic>
#include <limits>

namespace Ravenquill::Core {
namespace {

std::atomic<std::size_t> g_liveHelpers{0};

class LiveHelper {
public:
    LiveHelper() { ++g_liveHelpers; }
    ~LiveHelper() { --g_liveHelpers; }
    LiveHelper(const LiveHelper&) = delete;
    LiveHelper& operator=(const LiveHelper&) = delete;
};

// A block the reading thread would fail on before it could go past it: nothing after it in its
// entry is ever read.
bool EndsItsEntry(std::int64_t offset, std::int32_t size, std::int64_t packageLength) {
    return size < 0 || offset < 0 || offset > packageLength - size;
}

}  // namespace

std::size_t LiveReadAheadThreads() { return g_liveHelpers.load(); }

ReadAheadLease::~ReadAheadLease() {
    if (slot_ != nullptr) owner_->Release(*slot_);
}

ReadAheadLease& ReadAheadLease::operator=(ReadAheadLease&& other) noexcept {
    if (this != &other) {
        if (slot_ != nullptr) owner_->Release(*slot_);
        owner_ = std::move(other.owner_);
        slot_ = std::exchange(other.slot_, nullptr);
    }
    return *this;
}

std::span<const std::byte> ReadAheadLease::Bytes() const noexcept { return slot_->Bytes; }

const std::exception_ptr& ReadAheadLease::Failure() const noexcept { return slot_->Failure; }

PackageReadAhead::PackageReadAhead(std::shared_ptr<const PackedPayloadSource::SharedPackage> package,
                                   std::vector<PackedPayload::Entry> order, const ReadAheadOptions& options)
    : package_(std::move(package)),
      order_(std::move(order)),
      token_(options.Token),
      packageLength_(package_->Length()) {
    // Each thread beyond the reading one needs a slot of its own besides the one being read; as
    // many as the memory bound holds.
    std::size_t blocks = 0;
    for (const PackedPayload::Entry& entry : order_) {
        if (entry.Length <= 0) continue;
        std::int64_t offset = entry.Offset;
        for (const std::int32_t size : *entry.BlockLengths) {
            ++blocks;
            if (EndsItsEntry(offset, size, packageLength_)) break;
            offset += size;
        }
    }
    const auto threads = static_cast<std::size_t>(std::max(options.Threads, 1));
    const std::size_t slots = std::clamp<std::size_t>(MemoryBound / SlotBytes, 1, threads);
    helpers_ = std::min(slots - 1, blocks > 0 ? blocks - 1 : 0);
    slots_.reserve(helpers_ + 1);
    free_.reserve(helpers_ + 1);
    inFlight_.reserve(helpers_ + 1);
    for (std::size_t i = 0; i < helpers_ + 1; ++i) {
        slots_.push_back(std::make_unique<Slot>());
        free_.push_back(slots_.back().get());
    }
    next_.Offset = order_.empty() ? 0 : order_.front().Offset;
    Settle();
}

void PackageReadAhead::Work() {
    const LiveHelper live;
    std::unique_lock lock(mutex_);
    for (;;) {
        // Waits test the token rather than being woken by its cancellation (see WaitFor).
        while (!stopped_ && !token_.stop_requested() && (free_.empty() || !HasNext()))
            workReady_.wait_for(lock, CancellationPollInterval);
        if (stopped_ || token_.stop_requested()) return;
        Slot* slot = Schedule();
        lock.unlock();
        Decode(*slot);
        lock.lock();
        Complete(*slot);
    }
}

void PackageReadAhead::Abandon(std::exception_ptr failure) noexcept {
    {
        const std::lock_guard lock(mutex_);
        if (!abandoned_) abandoned_ = std::move(failure);
    }
    blockReady_.notify_all();
}

void PackageReadAhead::Started(std::size_t helpers) {
    const std::lock_guard lock(mutex_);
    started_ = helpers;
}

void PackageReadAhead::Stop() {
    {
        const std::lock_guard lock(mutex_);
        stopped_ = true;
    }
    workReady_.notify_all();
    blockReady_.notify_all();
}

std::optional<ReadAheadLease> PackageReadAhead::Take(std::size_t position, std::size_t block) {
    std::unique_lock lock(mutex_);
    if (stopped_ || position < position_) return std::nullopt;
    if (position > position_) SkipTo(position);
    if (block != positionBlock_) return std::nullopt;
    for (;;) {
        ThrowIfCancellationRequested(token_);
        // A helper that failed outside any block may have left the next one undecoded for good.
        if (abandoned_) std::rethrow_exception(abandoned_);
        if (!inFlight_.empty() && inFlight_.front()->Position == position) {
            Slot* slot = inFlight_.front();
            if (slot->Ready) {
                inFlight_.erase(inFlight_.begin());
                ++positionBlock_;
                ++lent_;
                return std::optional<ReadAheadLease>(std::in_place, shared_from_this(), *slot);
            }
        } else if (next_.Position == position && next_.Block == block) {
            // Nobody decodes it yet: a helper will, or else the reading thread, as soon as a slot
            // is free. With every slot lent to streams still open none will be: this one decodes
            // on its own.
            if (free_.empty() && lent_ == slots_.size()) return std::nullopt;
            if (started_ == 0 && !free_.empty()) {
                Slot* slot = Schedule();
                lock.unlock();
                Decode(*slot);
                lock.lock();
                Complete(*slot);
                continue;
            }
        } else {
            return std::nullopt;
        }
        blockReady_.wait_for(lock, CancellationPollInterval);
    }
}

void PackageReadAhead::Finished(std::size_t position) {
    const std::lock_guard lock(mutex_);
    if (position == position_) SkipTo(position + 1);
}

void PackageReadAhead::Settle() {
    while (HasNext()) {
        const PackedPayload::Entry& entry = order_[next_.Position];
        if (entry.Length > 0 && next_.Block < entry.BlockLengths->size()) return;
        ++next_.Position;
        next_.Block = 0;
        if (HasNext()) next_.Offset = order_[next_.Position].Offset;
    }
}

PackageReadAhead::Slot* PackageReadAhead::Schedule() {
    Slot* slot = free_.back();
    free_.pop_back();
    const std::int32_t size = (*order_[next_.Position].BlockLengths)[next_.Block];
    slot->Position = next_.Position;
    slot->Block = next_.Block;
    slot->Offset = next_.Offset;
    slot->Size = size;
    slot->Ready = false;
    slot->Dropped = false;
    inFlight_.push_back(slot);
    if (EndsItsEntry(next_.Offset, size, packageLength_)) {
        next_.Block = std::numeric_limits<std::size_t>::max();
    } else {
        next_.Offset += size;
        ++next_.Block;
    }
    Settle();
    return slot;
}

void PackageReadAhead::Decode(Slot& slot) const {
    try {
        slot.Bytes = package_->Decode(order_[slot.Position].RelativePath, slot.Offset, slot.Size, slot.Decoder);
        slot.Failure = nullptr;
    } catch (...) {
        slot.Bytes = {};
        slot.Failure = std::current_exception();
    }
}

void PackageReadAhead::Complete(Slot& slot) {
    if (slot.Dropped) {
        Free(slot);
        workReady_.notify_one();
    } else {
        slot.Ready = true;
    }
    // The reading thread waits for a block or, to decode one itself, for a free slot.
    blockReady_.notify_one();
}

void PackageReadAhead::Free(Slot& slot) {
    slot.Failure = nullptr;
    free_.push_back(&slot);
}

void PackageReadAhead::SkipTo(std::size_t position) {
    while (!inFlight_.empty() && inFlight_.front()->Position < position) {
        Slot* slot = inFlight_.front();
        inFlight_.erase(inFlight_.begin());
        if (slot->Ready)
            Free(*slot);
        else
            slot->Dropped = true;
    }
    if (next_.Position < position) {
        next_ = Cursor{position, 0, position < order_.size() ? order_[position].Offset : 0};
        Settle();
    }
    position_ = position;
    positionBlock_ = 0;
    workReady_.notify_all();
}

void PackageReadAhead::Release(Slot& slot) {
    {
        const std::lock_guard lock(mutex_);
        --lent_;
        Free(slot);
    }
    workReady_.notify_one();
}

}  // namespace Ravenquill::Core
