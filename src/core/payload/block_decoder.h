#pragma once
// One Brotli decoder with its memory kept from block to block: the decoder's window, into which it
// decodes and from which the block is lent as it stands, its tables, and the room for compressed
// bytes read from a package file. The memory is asked of the system while the first blocks are
// decoded and reused for every later one: fresh memory for each block would have the system supply
// (and zero) new pages for every byte decoded, which under a virtual machine costs more than the
// decoding itself.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

struct BrotliDecoderStateStruct;

namespace Ravenquill::Core {

class BlockDecoder {
public:
    // The most a block may decode to, and the most compressed bytes read from a file at once.
    static constexpr std::size_t MaxOutput = 4 * 1024 * 1024;
    static constexpr std::size_t InputPiece = 256 * 1024;
    // What a decoder keeps as a rule: a window of the largest block and as much again for its
    // tables and the windows of smaller blocks. Past it, chunks kept from earlier blocks that this
    // one does not use are given back (the largest first) before a new one is made, so that blocks
    // of many sizes do not each leave a window behind, while blocks of the largest size never lose
    // theirs.
    static constexpr std::size_t KeptBound = 2 * MaxOutput;
    // What one decoder may keep at most. A valid block of 4 MiB needs its window and at most about
    // 3 MiB of tables; only a hostile stream asks for more, and then decodes to nothing.
    static constexpr std::size_t MemoryBound = 12 * 1024 * 1024;

    BlockDecoder() = default;
    ~BlockDecoder();
    BlockDecoder(const BlockDecoder&) = delete;
    BlockDecoder& operator=(const BlockDecoder&) = delete;

    // Decodes one complete Brotli stream of at most MaxOutput bytes of output: given whole (a block
    // that lies in memory), or as `size` compressed bytes that `read(at, room)` puts into the room it
    // is given, `at` bytes into the block, piece by piece. Answers the decoded bytes, valid until the
    // next Decode or the decoder's end; none for a stream that does not decode completely within
    // that bound. Whatever `read` throws propagates; memory that cannot be had is std::bad_alloc.
    std::optional<std::span<const std::byte>> Decode(std::span<const std::byte> block);
    template <class Read>
    std::optional<std::span<const std::byte>> Decode(std::size_t size, Read&& read) {
        Begin();
        for (std::size_t at = 0; at < size && !Done();) {
            const std::span<std::byte> room = Room(std::min(size - at, InputPiece));
            read(at, room);
            Feed(room);
            at += room.size();
        }
        return Finish();
    }

    // The memory this decoder keeps now.
    std::size_t KeptBytes() const noexcept;

private:
    struct Chunk {
        void* Memory;
        std::size_t Capacity;
        bool InUse;
    };

    void Begin();
    void Feed(std::span<const std::byte> input);
    void TakeOutput();
    bool Done() const noexcept { return ended_ || failed_; }
    std::optional<std::span<const std::byte>> Finish();
    void EndStream() noexcept;
    void GiveOutput() noexcept;
    std::span<std::byte> Room(std::size_t size);

    // The decoder's own allocator: chunks kept for the decoder's life, reused best-fit.
    static void* Allocate(void* self, std::size_t size) noexcept;
    static void Free(void* self, void* memory) noexcept;
    void* Take(std::size_t size) noexcept;
    void Give(void* memory) noexcept;
    void Release(std::size_t chunk) noexcept;

    std::vector<Chunk> chunks_;
    std::size_t chunkBytes_ = 0;
    std::unique_ptr<std::byte[]> room_;
    std::size_t roomSize_ = 0;
    // A chunk of its own that a block's output is gathered in when the decoder hands it out in
    // several pieces (a window no larger than the block).
    std::byte* output_ = nullptr;
    std::size_t outputCapacity_ = 0;

    BrotliDecoderStateStruct* stream_ = nullptr;
    bool started_ = false;  // the stream's first bytes were seen
    bool ended_ = false;
    bool failed_ = false;
    bool outOfMemory_ = false;
    const std::byte* lent_ = nullptr;
    std::size_t total_ = 0;
};

}  // namespace Ravenquill::Core
