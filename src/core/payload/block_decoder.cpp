#include "block_decoder.h"

#include <brotli/decode.h>

#include <cstring>
#include <new>
#include <utility>

namespace Ravenquill::Core {
namespace {

constexpr std::size_t Page = 4096;
// A decoder of a few blocks holds about ten pieces of memory at once.
constexpr std::size_t MostChunks = 32;

// The window size a Brotli stream asks for, from its first byte (RFC 7932, 9.1); 0 for the marker
// of a large window, which this decoder does not accept.
int WindowBitsOf(std::byte first) {
    const auto bits = std::to_integer<unsigned>(first);
    if ((bits & 1) == 0) return 16;
    if (const unsigned n = (bits >> 1) & 7; n != 0) return 17 + static_cast<int>(n);
    const unsigned m = (bits >> 4) & 7;
    if (m == 1) return 0;
    return m == 0 ? 17 : 8 + static_cast<int>(m);
}

// A chunk kept for smaller requests may be up to twice their size (or 64 KiB larger): a large
// window never goes to a small table while a chunk of the table's size waits unused.
bool Fits(std::size_t capacity, std::size_t size) {
    return capacity >= size && capacity - size <= std::max(size, std::size_t{64 * 1024});
}

}  // namespace

BlockDecoder::~BlockDecoder() {
    EndStream();
    GiveOutput();
    while (!chunks_.empty()) Release(chunks_.size() - 1);
}

std::optional<std::span<const std::byte>> BlockDecoder::Decode(std::span<const std::byte> block) {
    Begin();
    Feed(block);
    return Finish();
}

std::size_t BlockDecoder::KeptBytes() const noexcept { return chunkBytes_ + roomSize_; }

void BlockDecoder::Begin() {
    EndStream();
    GiveOutput();
    if (chunks_.capacity() < MostChunks) chunks_.reserve(MostChunks);
    started_ = ended_ = failed_ = outOfMemory_ = false;
    lent_ = nullptr;
    total_ = 0;
    stream_ = BrotliDecoderCreateInstance(&BlockDecoder::Allocate, &BlockDecoder::Free, this);
    if (stream_ == nullptr) throw std::bad_alloc();
}

void BlockDecoder::Feed(std::span<const std::byte> input) {
    if (Done() || input.empty()) return;
    if (!started_) {
        started_ = true;
        // A window that holds the largest block is made whole at once rather than grown block by
        // block (each growth a new piece of memory and a copy of what was decoded); a larger one
        // is left to grow only as far as the block needs.
        const int windowBits = WindowBitsOf(input.front());
        if (windowBits != 0 && (std::size_t{1} << windowBits) <= MaxOutput)
            BrotliDecoderSetParameter(stream_, BROTLI_DECODER_PARAM_DISABLE_RING_BUFFER_REALLOCATION, 1);
    }
    std::size_t available = input.size();
    const auto* next = reinterpret_cast<const std::uint8_t*>(input.data());
    for (;;) {
        // No room for output is offered: the decoder keeps its output in its window and lends it
        // (TakeOutput), so a block is decoded without being copied.
        std::size_t room = 0;
        std::uint8_t* out = nullptr;
        switch (BrotliDecoderDecompressStream(stream_, &available, &next, &room, &out, nullptr)) {
            case BROTLI_DECODER_RESULT_NEEDS_MORE_OUTPUT:
                TakeOutput();
                if (failed_) return;
                break;
            case BROTLI_DECODER_RESULT_NEEDS_MORE_INPUT:
                return;
            case BROTLI_DECODER_RESULT_SUCCESS:
                ended_ = true;
                return;
            default:
                failed_ = true;
                return;
        }
    }
}

void BlockDecoder::TakeOutput() {
    std::size_t size = 0;
    const auto* piece = reinterpret_cast<const std::byte*>(BrotliDecoderTakeOutput(stream_, &size));
    if (size == 0) return;
    if (size > MaxOutput - total_) {
        failed_ = true;
        return;
    }
    // A block the decoder hands out in one piece is lent from its window as it stands. The window
    // fills up only once a block is as large as it: a block that fills a window of the largest
    // block's size has nothing after it, else it is too large anyway.
    if (output_ == nullptr && total_ == 0 && (BrotliDecoderIsFinished(stream_) || size == MaxOutput)) {
        lent_ = piece;
        total_ = size;
        return;
    }
    // A window no larger than the block: the decoder may write over this piece, so it is gathered
    // in a chunk of the decoder's own, grown as the pieces come.
    if (outputCapacity_ < total_ + size) {
        const std::size_t capacity = std::min(MaxOutput, std::max(total_ + size, 2 * outputCapacity_));
        auto* grown = static_cast<std::byte*>(Take(capacity));
        if (grown == nullptr) {
            failed_ = true;
            return;
        }
        if (total_ != 0) std::memcpy(grown, output_, total_);
        GiveOutput();
        output_ = grown;
        outputCapacity_ = capacity;
    }
    std::memcpy(output_ + total_, piece, size);
    total_ += size;
}

std::optional<std::span<const std::byte>> BlockDecoder::Finish() {
    const bool decoded = ended_ && !failed_;
    const bool outOfMemory = outOfMemory_;
    // The window goes back to the kept chunks untouched: what was lent from it stays readable.
    EndStream();
    if (outOfMemory) throw std::bad_alloc();
    if (!decoded) return std::nullopt;
    if (total_ == 0) return std::span<const std::byte>();
    return std::span<const std::byte>(output_ != nullptr ? output_ : lent_, total_);
}

void BlockDecoder::EndStream() noexcept {
    if (stream_ != nullptr) BrotliDecoderDestroyInstance(std::exchange(stream_, nullptr));
}

void BlockDecoder::GiveOutput() noexcept {
    if (output_ != nullptr) Give(std::exchange(output_, nullptr));
    outputCapacity_ = 0;
}

std::span<std::byte> BlockDecoder::Room(std::size_t size) {
    if (roomSize_ < size) {
        room_.reset();
        roomSize_ = 0;
        room_ = std::make_unique_for_overwrite<std::byte[]>(size);
        roomSize_ = size;
    }
    return {room_.get(), size};
}

void* BlockDecoder::Allocate(void* self, std::size_t size) noexcept {
    return static_cast<BlockDecoder*>(self)->Take(size);
}

void BlockDecoder::Free(void* self, void* memory) noexcept { static_cast<BlockDecoder*>(self)->Give(memory); }

void* BlockDecoder::Take(std::size_t size) noexcept {
    size = std::max<std::size_t>(size, 1);
    std::size_t best = chunks_.size();
    for (std::size_t i = 0; i < chunks_.size(); ++i)
        if (!chunks_[i].InUse && Fits(chunks_[i].Capacity, size) &&
            (best == chunks_.size() || chunks_[i].Capacity < chunks_[best].Capacity))
            best = i;
    if (best != chunks_.size()) {
        chunks_[best].InUse = true;
        return chunks_[best].Memory;
    }
    if (size > MemoryBound) return nullptr;
    const std::size_t capacity = (size + Page - 1) / Page * Page;
    // A kept chunk too small for this request gives up its place, so that the chunks follow what
    // the blocks need instead of piling up; past the bound every unused one does.
    std::size_t smaller = chunks_.size();
    for (std::size_t i = 0; i < chunks_.size(); ++i)
        if (!chunks_[i].InUse && chunks_[i].Capacity < size &&
            (smaller == chunks_.size() || chunks_[i].Capacity > chunks_[smaller].Capacity))
            smaller = i;
    if (smaller != chunks_.size()) Release(smaller);
    // Past what a decoder keeps as a rule, the largest unused chunks go first: blocks of many sizes
    // would otherwise each leave a window of their own behind.
    while (chunkBytes_ + roomSize_ + capacity > KeptBound) {
        std::size_t largest = chunks_.size();
        for (std::size_t i = 0; i < chunks_.size(); ++i)
            if (!chunks_[i].InUse && (largest == chunks_.size() || chunks_[i].Capacity > chunks_[largest].Capacity))
                largest = i;
        if (largest == chunks_.size()) break;
        Release(largest);
    }
    for (std::size_t i = chunks_.size();
         i-- > 0 && (chunkBytes_ + capacity > MemoryBound || chunks_.size() == MostChunks);)
        if (!chunks_[i].InUse) Release(i);
    if (chunkBytes_ + capacity > MemoryBound || chunks_.size() == MostChunks) return nullptr;
    void* memory = ::operator new(capacity, std::nothrow);
    if (memory == nullptr) {
        outOfMemory_ = true;
        return nullptr;
    }
    chunks_.push_back(Chunk{memory, capacity, true});
    chunkBytes_ += capacity;
    return memory;
}

void BlockDecoder::Give(void* memory) noexcept {
    for (Chunk& chunk : chunks_)
        if (chunk.Memory == memory) {
            chunk.InUse = false;
            return;
        }
}

void BlockDecoder::Release(std::size_t chunk) noexcept {
    ::operator delete(chunks_[chunk].Memory);
    chunkBytes_ -= chunks_[chunk].Capacity;
    chunks_.erase(chunks_.begin() + static_cast<std::ptrdiff_t>(chunk));
}

}  // namespace Ravenquill::Core
