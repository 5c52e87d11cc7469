#pragma once
// The "RQPK2" package: a header, an index of files, then each file's Brotli blocks back to back.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/common/read_stream.h"

namespace Ravenquill::Core {

class PackedPayload {
public:
    PackedPayload() = delete;

    // "RQPK2" and a line feed.
    static const std::array<std::byte, 6> Magic;

    // The largest block the reader decodes: the size of every block stream's output buffer.
    static constexpr std::size_t MaxBlockBytes = 4 * 1024 * 1024;

    struct Entry {
        std::wstring RelativePath;
        std::int64_t Length = 0;
        // Package position of the file's first block.
        std::int64_t Offset = 0;
        // Compressed size of each block; compared by identity, as the index hands out one array per file.
        std::shared_ptr<const std::vector<std::int32_t>> BlockLengths;

        bool operator==(const Entry& other) const noexcept {
            return RelativePath == other.RelativePath && Length == other.Length && Offset == other.Offset &&
                   BlockLengths == other.BlockLengths;
        }
        // Combines exactly what equality compares: the array by its identity.
        std::size_t Hash() const noexcept;
        std::wstring ToString() const;
    };

    // Reads from the stream's position; leaves the stream open at the data start. Format faults are
    // InvalidDataException with the package's messages; a stream that ends early after the magic
    // gives EndOfStreamException, a malformed path-length prefix FormatException, a negative block
    // count ArgumentException. Nothing is allocated beyond what the stream actually delivers.
    static std::vector<Entry> ReadIndex(ReadStream& stream);
};

}  // namespace Ravenquill::Core
