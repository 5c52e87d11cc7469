#pragma once
// Reading chosen entries of a source one after another, as an installation or an extraction copies
// them. A package's reader decodes the blocks that follow the one being copied on other threads,
// in order and a bounded number at a time; every other source simply opens each entry in turn.
// What the caller sees is the same either way: the bytes, the errors and where they surface.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "core/common/cancellation.h"
#include "core/common/read_stream.h"
#include "payload_entry.h"

namespace Ravenquill::Core {

// A read stream that can also lend its next bytes without copying them.
class EntryStream : public ReadStream {
public:
    // Up to `most` of the next bytes, valid until the next call on this stream; empty only at the
    // end (or for `most` 0). The base reads into a buffer of its own.
    virtual std::span<const std::byte> ReadSpan(std::size_t most);

private:
    std::unique_ptr<std::byte[]> lent_;
    std::size_t lentCapacity_ = 0;
};

struct ReadAheadOptions {
    // Threads that decode, the reading thread included: 1 decodes each block on the reading thread
    // when it is needed; more let other threads decode ahead, at most as many as the reader's
    // memory bound holds slots for (four besides the reading thread).
    int Threads = 1;
    // A wait for a block decoded ahead tests it every CancellationPollInterval, and so does every
    // block taken: a cancelled reading ends within one block with OperationCanceledException.
    CancellationToken Token;
    // Entries shorter than this are decoded on the reading thread: handing a block of a few
    // kilobytes to another thread and back costs more than decoding it (under Wine every wait and
    // every wake-up is a trip to the server, which the reading thread's file calls wait for too).
    std::int64_t LeastLength = 256 * 1024;
};

// One thread per core.
int DefaultReadAheadThreads();

class EntryReader {
public:
    virtual ~EntryReader() = default;
    EntryReader() = default;
    EntryReader(const EntryReader&) = delete;
    EntryReader& operator=(const EntryReader&) = delete;

    // The entry's content from its first byte. The next entry of the reader's order comes from
    // what was decoded ahead; any other entry, or one opened again, is decoded on its own.
    virtual std::unique_ptr<EntryStream> Open(const PayloadEntry& entry) = 0;
};

// Threads of all readers that are decoding ahead now: none once every reader is gone.
std::size_t LiveReadAheadThreads();

// The reader of sources that have nothing to decode ahead: each entry through its own opener.
std::unique_ptr<EntryReader> OpenEachInTurn();

}  // namespace Ravenquill::Core
