#pragma once
// A seekable stream read through a small buffer, as side files are opened: the index of a package
// is read a few bytes at a time, and without a buffer every one of those reads is a system call.
// Reads at least as large as the buffer go straight to the inner stream.
#include <memory>
#include <vector>

#include "core/common/read_stream.h"

namespace Ravenquill::Core {

class BufferedReadStream final : public ReadStream {
public:
    BufferedReadStream(std::unique_ptr<ReadStream> inner, std::size_t bufferSize);

    std::size_t Read(std::span<std::byte> buffer) override;
    std::int64_t Length() const override { return inner_->Length(); }
    std::int64_t Position() const override { return position_; }
    bool CanSeek() const noexcept override { return inner_->CanSeek(); }
    void Seek(std::int64_t position) override;

private:
    std::unique_ptr<ReadStream> inner_;
    std::vector<std::byte> buffer_;
    std::size_t begin_ = 0;  // next unread byte of buffer_
    std::size_t end_ = 0;    // bytes of buffer_ filled
    std::int64_t position_ = 0;
};

// The way side files and folder files are opened: an existing file, shared for reading, with a
// 4,096-byte buffer.
std::unique_ptr<ReadStream> OpenPayloadFile(const std::wstring& path);

// The stream itself when it can seek; otherwise all of it from its position on, copied into
// memory (the given stream is closed then) and positioned at 0.
std::unique_ptr<ReadStream> MakeSeekable(std::unique_ptr<ReadStream> stream);

}  // namespace Ravenquill::Core
