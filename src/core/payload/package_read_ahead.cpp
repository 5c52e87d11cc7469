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

ReadAheadLease::~ReadAheadLease() { owner_->Release(slot_); }

const std::byte* ReadAheadLease::Bytes() const { return slot_.Buffers.Decoded.get(); }

std::size_t ReadAheadLease::Count() const { return slot_.Decoded; }

const std::exception_ptr& ReadAheadLease::Failure() const { return slot_.Failure; }

PackageReadAhead::PackageReadAhead(std::shared_ptr<const PackedPayloadSource::SharedPackage> package,
                                   std::vector<PackedPayload::Entry> order, const ReadAheadOptions& options)
    : package_(std::move(package)),
      order_(std::move(order)),
      token_(options.Token),
      packageLength_(package_->Length()) {
    // The slots are sized for the largest block that may be read, and as many as the memory bound
    // holds; each thread beyond the reading one needs a slot of its own besides the one being read.
    // Decoding a block takes as much again as its output for the decoder's window.
    std::int64_t largest = 0;
    std::size_t blocks = 0;
    for (const PackedPayload::Entry& entry : order_) {
        if (entry.Length <= 0) continue;
        std::int64_t offset = entry.Offset;
        for (const std::int32_t size : *entry.BlockLengths) {
            ++blocks;
            if (EndsItsEntry(offset, size, packageLength_)) break;
            largest = std::max<std::int64_t>(largest, size);
            offset += size;
        }
    }
    const auto threads = static_cast<std::size_t>(std::max(options.Threads, 1));
    const std::size_t perSlot = 2 * PackedPayload::MaxBlockBytes + static_cast<std::size_t>(largest);
    const std::size_t slots = std::clamp<std::size_t>(MemoryBound / perSlot, 1, threads);
    helpers_ = std::min(slots - 1, blocks > 0 ? blocks - 1 : 0);
    for (std::size_t i = 0; i < helpers_ + 1; ++i) {
        slots_.push_back(std::make_unique<Slot>());
        free_.push_back(slots_.back().get());
    }
    next_.Offset = order_.empty() ? 0 : order_.front().Offset;
    Settle();
}

void PackageReadAhead::Work() {
    const LiveHelper live;
    PackedPayloadSource::BlockBuffers room;
    std::unique_lock lock(mutex_);
    for (;;) {
        // Waits test the token rather than being woken by its cancellation (see WaitFor).
        while (!stopped_ && !token_.stop_requested() && (free_.empty() || !HasNext()))
            workReady_.wait_for(lock, CancellationPollInterval);
        if (stopped_ || token_.stop_requested()) return;
        Slot* slot = Schedule();
        lock.unlock();
        Decode(*slot, room);
        lock.lock();
        Complete(*slot);
    }
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

std::unique_ptr<ReadAheadLease> PackageReadAhead::Take(std::size_t position, std::size_t block) {
    std::unique_lock lock(mutex_);
    if (stopped_ || position < position_) return nullptr;
    if (position > position_) SkipTo(position);
    if (block != positionBlock_) return nullptr;
    for (;;) {
        ThrowIfCancellationRequested(token_);
        if (!inFlight_.empty() && inFlight_.front()->Position == position) {
            Slot* slot = inFlight_.front();
            if (slot->Ready) {
                inFlight_.pop_front();
                ++positionBlock_;
                ++lent_;
                return std::make_unique<ReadAheadLease>(shared_from_this(), *slot);
            }
        } else if (next_.Position == position && next_.Block == block) {
            // Nobody decodes it yet: a helper will, or else the reading thread, as soon as a slot
            // is free. With every slot lent to streams still open none will be: this one decodes
            // on its own.
            if (free_.empty() && lent_ == slots_.size()) return nullptr;
            if (started_ == 0 && !free_.empty()) {
                Slot* slot = Schedule();
                lock.unlock();
                Decode(*slot, readerRoom_);
                lock.lock();
                Complete(*slot);
                continue;
            }
        } else {
            return nullptr;
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

void PackageReadAhead::Decode(Slot& slot, PackedPayloadSource::BlockBuffers& room) const {
    // The compressed bytes are needed only while a block decodes: their room is the decoding
    // thread's, so a slot that waits to be read holds its output alone.
    std::swap(slot.Buffers.Compressed, room.Compressed);
    std::swap(slot.Buffers.CompressedCapacity, room.CompressedCapacity);
    try {
        slot.Decoded = package_->Decode(order_[slot.Position].RelativePath, slot.Offset, slot.Size, slot.Buffers);
        slot.Failure = nullptr;
    } catch (...) {
        slot.Decoded = 0;
        slot.Failure = std::current_exception();
    }
    std::swap(slot.Buffers.Compressed, room.Compressed);
    std::swap(slot.Buffers.CompressedCapacity, room.CompressedCapacity);
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
        inFlight_.pop_front();
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
