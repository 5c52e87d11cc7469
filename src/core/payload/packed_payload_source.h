#pragma once
// A package presented as a payload source. All block streams of a source share its package stream
// and set its position before every block: they may be read alternately, by one thread at a time.
#include <memory>
#include <vector>

#include "packed_payload.h"
#include "payload_source.h"

namespace Ravenquill::Core {

class PackedPayloadSource final : public PayloadSource {
public:
    // Takes ownership of the stream (a non-seekable one is copied into memory first) and reads the
    // index; fails with the reader's errors.
    explicit PackedPayloadSource(std::unique_ptr<ReadStream> stream);
    // Closes the package stream: block streams still open fail when they next need a block.
    ~PackedPayloadSource() override;

    const std::vector<PayloadEntry>& Entries() const override { return entries_; }

    // The buffers a block stream decodes with: 4 MiB of output and room for its largest block.
    struct BlockBuffers {
        std::unique_ptr<std::byte[]> Decoded;
        std::unique_ptr<std::byte[]> Compressed;
        std::size_t CompressedCapacity = 0;
    };

    // The package stream as its block streams share it; it outlives the source only as a closed shell.
    struct SharedPackage {
        std::unique_ptr<ReadStream> Stream;  // null once the source is disposed
        // The buffers of the last block stream that ended, taken over by the next one: fresh
        // buffers for every stream would have the system supply (and zero) new pages for every
        // block decoded, which costs as much as decoding itself when entries are read one by one.
        BlockBuffers Spare;
    };

    // The forward-only stream over one file's blocks, decoding one block at a time on demand.
    class BlockStream final : public ReadStream {
    public:
        BlockStream(std::shared_ptr<SharedPackage> package, PackedPayload::Entry entry);
        // Hands its buffers to the source for the next stream.
        ~BlockStream() override;
        BlockStream(const BlockStream&) = delete;
        BlockStream& operator=(const BlockStream&) = delete;

        std::size_t Read(std::span<std::byte> buffer) override;
        std::int64_t Length() const override { return entry_.Length; }
        std::int64_t Position() const override { return entry_.Length - remaining_; }

    private:
        bool LoadNextBlock();

        std::shared_ptr<SharedPackage> package_;
        PackedPayload::Entry entry_;
        BlockBuffers buffers_;
        std::int64_t nextOffset_;
        std::int64_t remaining_;
        std::size_t blockIndex_ = 0;
        std::size_t decodedCount_ = 0;
        std::size_t readPosition_ = 0;
        bool ended_ = false;
    };

private:
    std::shared_ptr<SharedPackage> package_;
    std::vector<PayloadEntry> entries_;
};

}  // namespace Ravenquill::Core
