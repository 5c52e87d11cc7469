#include "decoder_memory.h"

#include <cstdlib>
#include <cstring>

namespace Ravenquill::Core {
namespace {

// Each allocation carries its size in front, as far ahead as malloc's alignment reaches.
constexpr std::size_t Header = alignof(std::max_align_t);

std::size_t SizeOf(void* base) {
    std::size_t size = 0;
    std::memcpy(&size, base, sizeof size);
    return size;
}

}  // namespace

DecoderMemory::DecoderMemory() { kept_.reserve(KeptLimit); }

DecoderMemory::~DecoderMemory() {
    for (void* base : kept_) std::free(base);
}

void* DecoderMemory::Allocate(void* self, std::size_t size) noexcept {
    auto& kept = static_cast<DecoderMemory*>(self)->kept_;
    // The smallest kept allocation that holds the size without wasting more than half of itself.
    auto best = kept.end();
    for (auto it = kept.begin(); it != kept.end(); ++it) {
        const std::size_t capacity = SizeOf(*it);
        if (capacity >= size && capacity / 2 <= size && (best == kept.end() || capacity < SizeOf(*best))) best = it;
    }
    if (best != kept.end()) {
        void* base = *best;
        *best = kept.back();
        kept.pop_back();
        return static_cast<std::byte*>(base) + Header;
    }
    if (size > static_cast<std::size_t>(-1) - Header) return nullptr;
    void* base = std::malloc(Header + size);
    if (base == nullptr) return nullptr;
    std::memcpy(base, &size, sizeof size);
    return static_cast<std::byte*>(base) + Header;
}

void DecoderMemory::Free(void* self, void* address) noexcept {
    if (address == nullptr) return;
    void* base = static_cast<std::byte*>(address) - Header;
    auto& kept = static_cast<DecoderMemory*>(self)->kept_;
    if (kept.size() < KeptLimit)
        kept.push_back(base);  // within the capacity reserved at construction: never allocates
    else
        std::free(base);
}

}  // namespace Ravenquill::Core
