#pragma once
// What the Brotli decoder allocates while it decodes a block (its window and tables), kept for the
// next block instead of being given back: the window alone is as large as a block's output, and
// asking the system for it anew for every block means fresh zeroed pages every time.
#include <cstddef>
#include <vector>

namespace Ravenquill::Core {

class DecoderMemory {
public:
    DecoderMemory();
    ~DecoderMemory();
    DecoderMemory(const DecoderMemory&) = delete;
    DecoderMemory& operator=(const DecoderMemory&) = delete;

    // The decoder's allocation functions, with this object as their opaque argument.
    static void* Allocate(void* self, std::size_t size) noexcept;
    static void Free(void* self, void* address) noexcept;

private:
    // At most this many freed allocations are kept: more than the decoder ever holds at once.
    static constexpr std::size_t KeptLimit = 32;
    std::vector<void*> kept_;
};

}  // namespace Ravenquill::Core
