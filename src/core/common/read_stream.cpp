#include "read_stream.h"

#include <algorithm>
#include <cstring>

#include "errors.h"

namespace Ravenquill {

void ReadStream::Seek(std::int64_t) { throw NotSupportedException(L"Stream does not support seeking."); }

void ReadStream::ReadExactly(std::span<std::byte> buffer) {
    while (!buffer.empty()) {
        const std::size_t n = Read(buffer);
        if (n == 0) throw EndOfStreamException();
        buffer = buffer.subspan(n);
    }
}

std::vector<std::byte> ReadStream::ReadToEnd() {
    std::vector<std::byte> out;
    if (CanSeek()) {
        const std::int64_t left = Length() - Position();
        if (left > 0) out.reserve(static_cast<std::size_t>(left));
    }
    std::byte chunk[64 * 1024];
    for (;;) {
        const std::size_t n = Read(chunk);
        if (n == 0) return out;
        out.insert(out.end(), chunk, chunk + n);
    }
}

std::size_t MemoryReadStream::Read(std::span<std::byte> buffer) {
    if (position_ >= bytes_.size()) return 0;
    const std::size_t n = std::min(buffer.size(), bytes_.size() - position_);
    if (n != 0) std::memcpy(buffer.data(), bytes_.data() + position_, n);
    position_ += n;
    return n;
}

void MemoryReadStream::Seek(std::int64_t position) {
    if (position < 0) throw ArgumentException(L"An attempt was made to move the position before the beginning of the stream.");
    position_ = static_cast<std::size_t>(position);
}

std::vector<std::byte> ReadAllBytes(const std::wstring& path) { return OpenFileForRead(path)->ReadToEnd(); }

}  // namespace Ravenquill
