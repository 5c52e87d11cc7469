#include "buffered_read_stream.h"

#include <cstring>

#include "core/common/errors.h"

namespace Ravenquill::Core {

BufferedReadStream::BufferedReadStream(std::unique_ptr<ReadStream> inner, std::size_t bufferSize)
    : inner_(std::move(inner)), buffer_(bufferSize), position_(inner_->Position()) {}

std::size_t BufferedReadStream::Read(std::span<std::byte> buffer) {
    if (buffer.empty()) return 0;
    if (begin_ == end_) {
        if (buffer.size() >= buffer_.size()) {
            // The buffer no longer lies just behind the position: a later seek back must not find
            // its old bytes there.
            begin_ = end_ = 0;
            const std::size_t n = inner_->Read(buffer);
            position_ += static_cast<std::int64_t>(n);
            return n;
        }
        begin_ = 0;
        end_ = inner_->Read(buffer_);
        if (end_ == 0) return 0;
    }
    const std::size_t n = std::min(buffer.size(), end_ - begin_);
    std::memcpy(buffer.data(), buffer_.data() + begin_, n);
    begin_ += n;
    position_ += static_cast<std::int64_t>(n);
    return n;
}

void BufferedReadStream::Seek(std::int64_t position) {
    // A seek inside what is buffered keeps the buffer: block streams seek to where they already are.
    const std::int64_t bufferStart = position_ - static_cast<std::int64_t>(begin_);
    if (position >= bufferStart && position <= bufferStart + static_cast<std::int64_t>(end_)) {
        begin_ = static_cast<std::size_t>(position - bufferStart);
        position_ = position;
        return;
    }
    inner_->Seek(position);
    begin_ = end_ = 0;
    position_ = position;
}

std::unique_ptr<ReadStream> OpenPayloadFile(const std::wstring& path) {
    return std::make_unique<BufferedReadStream>(OpenFileForRead(path), 4096);
}

std::unique_ptr<ReadStream> MakeSeekable(std::unique_ptr<ReadStream> stream) {
    if (stream->CanSeek()) return stream;
    std::vector<std::byte> copy = stream->ReadToEnd();
    stream.reset();
    return std::make_unique<MemoryReadStream>(std::move(copy));
}

}  // namespace Ravenquill::Core
