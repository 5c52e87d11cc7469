#pragma once
// The one read stream of the data path (payload entries, resources, files); no iostreams.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace Ravenquill {

class ReadStream {
public:
    virtual ~ReadStream() = default;

    // Reads up to buffer.size() bytes; returns 0 only at the end of the stream (or for an empty buffer).
    virtual std::size_t Read(std::span<std::byte> buffer) = 0;
    virtual std::int64_t Length() const = 0;
    virtual std::int64_t Position() const = 0;
    virtual bool CanSeek() const noexcept { return false; }
    // Throws NotSupportedException unless CanSeek().
    virtual void Seek(std::int64_t position);
    // The whole content when it lies in memory for as long as the stream lives (a resource, bytes
    // it owns), so that a reader can use it where it is instead of copying it; empty otherwise.
    virtual std::span<const std::byte> InMemory() const noexcept { return {}; }

    // Fills the whole buffer or throws EndOfStreamException.
    void ReadExactly(std::span<std::byte> buffer);
    // Reads what is left of the stream.
    std::vector<std::byte> ReadToEnd();
};

// A stream over bytes that outlive it (a resource) or that it owns.
class MemoryReadStream final : public ReadStream {
public:
    explicit MemoryReadStream(std::span<const std::byte> bytes) : bytes_(bytes) {}
    explicit MemoryReadStream(std::vector<std::byte> owned) : owned_(std::move(owned)), bytes_(owned_) {}

    std::size_t Read(std::span<std::byte> buffer) override;
    std::int64_t Length() const override { return static_cast<std::int64_t>(bytes_.size()); }
    std::int64_t Position() const override { return static_cast<std::int64_t>(position_); }
    bool CanSeek() const noexcept override { return true; }
    void Seek(std::int64_t position) override;
    std::span<const std::byte> InMemory() const noexcept override { return bytes_; }

private:
    std::vector<std::byte> owned_;
    std::span<const std::byte> bytes_;
    std::size_t position_ = 0;
};

// Opens a file for sequential or random reading (shared for reading and deleting on Windows).
// Failures are the I/O kinds of errors.h.
std::unique_ptr<ReadStream> OpenFileForRead(const std::wstring& path);

// Reads a whole file.
std::vector<std::byte> ReadAllBytes(const std::wstring& path);

}  // namespace Ravenquill
