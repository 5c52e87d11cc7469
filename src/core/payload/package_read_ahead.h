#pragma once
// The blocks of a package's chosen entries decoded ahead of the reading thread, in their order.
// A fixed set of slots bounds what is in flight, so memory stays the same whatever the payload:
// each slot is a decoder whose memory (its window, into which a block decodes and from which the
// reading thread writes it, its tables, its room for compressed bytes) is made at its first block
// and reused for every later one. The slots' count follows from the threads asked for and what one
// slot keeps.
//
// The reading thread takes the blocks of one entry after another. A block that failed to decode
// fails only when it is taken, with the error that decoding it on the reading thread would have
// given, memory that could not be had included; what is decoded for blocks that turn out not to be
// needed (an entry cut short by its length, or left unfinished) is dropped unseen. Without helper
// threads the reading thread decodes each block itself when it needs it, as the reader of old.
// Scheduling a block and handing it over ask the system for no memory.
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "block_decoder.h"
#include "packed_payload_source.h"
#include "read_ahead_lease.h"

namespace Ravenquill::Core {

class PackageReadAhead : public std::enable_shared_from_this<PackageReadAhead> {
public:
    // The memory budget that chooses the slots' count: this divided by SlotBytes, what a slot
    // keeps for blocks of the largest size as they commonly are, gives five slots, so four threads
    // decode while the reading thread writes. More gain nothing, since the writing is then what the
    // reading waits for (measured on eight cores, natively and under Wine), and each slot's first
    // blocks cost fresh pages. It is not a limit on what the slots keep: each is a BlockDecoder,
    // which keeps up to BlockDecoder::MemoryBound for a stream that asks for large tables, so the
    // real bound is the slots' count times that.
    static constexpr std::size_t MemoryBound = 24 * 1024 * 1024;
    // What a slot keeps for blocks of the largest size, as they commonly are.
    static constexpr std::size_t SlotBytes = BlockDecoder::MaxOutput + 512 * 1024;

    PackageReadAhead(std::shared_ptr<const PackedPayloadSource::SharedPackage> package,
                     std::vector<PackedPayload::Entry> order, const ReadAheadOptions& options);

    // How many threads should run Work: none when the reading thread is to decode every block.
    std::size_t Helpers() const noexcept { return helpers_; }
    // How many do: while any runs, the reading thread leaves the decoding to them, else it decodes
    // each block itself.
    void Started(std::size_t helpers);
    // A helper thread's loop: decodes the next blocks while slots are free, until Stop or the
    // token's cancellation.
    void Work();
    // Lets the helpers end once their current block is done.
    void Stop();
    // A helper's loop ended with this failure: the reading thread fails with it when it next waits.
    void Abandon(std::exception_ptr failure) noexcept;

    // Block `block` of the order's entry `position`, decoded (waiting for it, or decoding it here
    // when no helper runs), when it is the next one this read-ahead delivers; taking a later entry drops
    // what is left of the earlier ones. None when it is not (an entry taken again, a block out of
    // turn, a read-ahead stopped): the caller decodes it on its own. Throws
    // OperationCanceledException once the token is cancelled.
    std::optional<ReadAheadLease> Take(std::size_t position, std::size_t block);
    // The entry at `position` needs no more blocks: its blocks still ahead are dropped.
    void Finished(std::size_t position);

private:
    friend class ReadAheadLease;
    using Slot = ReadAheadLease::Slot;
    // The next block to hand to a slot.
    struct Cursor {
        std::size_t Position = 0;
        std::size_t Block = 0;
        std::int64_t Offset = 0;
    };

    bool HasNext() const noexcept { return next_.Position < order_.size(); }
    // Moves the cursor past entries with nothing to decode (a length of 0 loads no block).
    void Settle();
    // Hands the cursor's block to a free slot and moves the cursor on.
    Slot* Schedule();
    void Decode(Slot& slot) const;
    void Complete(Slot& slot);
    void Free(Slot& slot);
    void SkipTo(std::size_t position);
    void Release(Slot& slot);

    std::shared_ptr<const PackedPayloadSource::SharedPackage> package_;
    const std::vector<PackedPayload::Entry> order_;
    const CancellationToken token_;
    const std::int64_t packageLength_;
    std::size_t helpers_ = 0;
    std::size_t started_ = 0;

    std::mutex mutex_;
    std::condition_variable blockReady_;  // the reading thread waits on it
    std::condition_variable workReady_;   // the helpers wait on it
    std::vector<std::unique_ptr<Slot>> slots_;
    // Both hold at most every slot, their room made beforehand.
    std::vector<Slot*> free_;
    std::vector<Slot*> inFlight_;  // in block order; the front is the reading thread's next block
    std::size_t lent_ = 0;         // slots whose blocks streams are delivering
    Cursor next_;
    std::size_t position_ = 0;       // the entry the reading thread is at
    std::size_t positionBlock_ = 0;  // and its next block
    bool stopped_ = false;
    std::exception_ptr abandoned_;
};

struct ReadAheadLease::Slot {
    BlockDecoder Decoder;
    std::span<const std::byte> Bytes;  // what the block decoded to, in the decoder's memory
    std::size_t Position = 0;
    std::size_t Block = 0;
    std::int64_t Offset = 0;
    std::int32_t Size = 0;
    std::exception_ptr Failure;
    bool Ready = false;
    // Dropped while it was decoded: freed when the decoding ends.
    bool Dropped = false;
};

}  // namespace Ravenquill::Core
