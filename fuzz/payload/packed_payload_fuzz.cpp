// The package reader over arbitrary bytes: reading the index, then every entry through its
// opener, and entries read alternately, must fail only with the system's errors.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/payload/packed_payload_source.h"
#include "read_entries.h"

using namespace Ravenquill;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto* bytes = reinterpret_cast<const std::byte*>(data);
    std::unique_ptr<Core::PackedPayloadSource> source;
    try {
        source = std::make_unique<Core::PackedPayloadSource>(
            std::make_unique<MemoryReadStream>(std::vector<std::byte>(bytes, bytes + size)));
    } catch (const Exception&) {
        return 0;
    }
    Fuzzing::ReadEntries(*source);

    // Two entries read in turn share the package stream; each must still get its own bytes.
    const auto& entries = source->Entries();
    if (entries.size() >= 2) {
        try {
            const auto a = entries[0].Open();
            const auto b = entries[1].Open();
            std::byte buffer[4096];
            for (int i = 0; i < 8; ++i) {
                a->Read(buffer);
                b->Read(buffer);
            }
        } catch (const Exception&) {
        }
    }

    // A stream that outlives its source fails cleanly.
    if (!entries.empty()) {
        const Core::PayloadEntry entry = entries[0];
        const auto stream = entry.Open();
        source.reset();
        std::byte buffer[64];
        try {
            stream->Read(buffer);
        } catch (const Exception&) {
        }
    }
    return 0;
}
