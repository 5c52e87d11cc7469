#pragma once
// Reads every entry of a source the way the installer's copy does, within a budget of decoded
// bytes (a few input bytes may decode to many megabytes), and checks the stream contract.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/common/errors.h"
#include "core/payload/payload_source.h"

namespace Ravenquill::Fuzzing {

inline void Require(bool condition) {
    if (!condition) std::abort();
}

inline void ReadEntries(const Core::PayloadSource& source) {
    constexpr std::int64_t Budget = 64 * 1024 * 1024;
    std::int64_t decoded = 0;
    std::vector<std::byte> buffer(81920);
    try {
        (void)source.TotalBytes();
    } catch (const Exception&) {
    }
    for (const Core::PayloadEntry& entry : source.Entries()) {
        try {
            const std::unique_ptr<ReadStream> stream = entry.Open();
            std::int64_t delivered = 0;
            for (;;) {
                const std::size_t n = stream->Read(buffer);
                Require(n <= buffer.size());
                if (n == 0) break;
                delivered += static_cast<std::int64_t>(n);
                decoded += static_cast<std::int64_t>(n);
                Require(stream->Position() == delivered);
                if (decoded > Budget) return;
            }
            Require(stream->Read(buffer) == 0);
        } catch (const Exception&) {
            // A fault of the payload: what the installer reports to the user.
        }
    }
}

}  // namespace Ravenquill::Fuzzing
