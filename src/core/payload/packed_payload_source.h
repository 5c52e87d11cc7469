#pragma once
// A package presented as a payload source. All block streams of a source share its package stream
// and set its position before every block, under the package's lock: streams of different
// entries may be read alternately, and a reader's threads may decode ahead meanwhile, but each
// stream is read by one thread at a time.
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "packed_payload.h"
#include "payload_source.h"

namespace Ravenquill::Core {

class PackageReadAhead;
class ReadAheadLease;

class PackedPayloadSource final : public PayloadSource {
public:
    // Takes ownership of the stream (a non-seekable one is copied into memory first) and reads the
    // index; fails with the reader's errors.
    explicit PackedPayloadSource(std::unique_ptr<ReadStream> stream);
    // Closes the package stream: block streams still open fail when they next need a block.
    ~PackedPayloadSource() override;

    const std::vector<PayloadEntry>& Entries() const override { return entries_; }

    // Decodes the blocks of the listed entries ahead on other threads while one is read, in the
    // order given, a bounded number at a time (PackageReadAhead); entries shorter than the
    // options' least length are decoded by the reading thread.
    std::unique_ptr<EntryReader> ReadInOrder(std::vector<const PayloadEntry*> order,
                                             const ReadAheadOptions& options) const override;

    // The buffers a block is decoded with: 4 MiB of output and room for the largest block met.
    struct BlockBuffers {
        std::unique_ptr<std::byte[]> Decoded;
        std::unique_ptr<std::byte[]> Compressed;
        std::size_t CompressedCapacity = 0;
    };

    // The package stream as its block streams and readers share it; it outlives the source only as
    // a closed shell.
    class SharedPackage {
    public:
        explicit SharedPackage(std::unique_ptr<ReadStream> stream) : stream_(std::move(stream)) {}

        // Reads the block of `size` bytes at `offset` and decodes it into the buffers (made or
        // grown as needed) with one call of the one-shot decoder; answers the bytes it decoded to.
        // A block that does not decode completely into 4 MiB fails with the package's message
        // naming the path; the reading layer's faults fail with its own errors.
        std::size_t Decode(const std::wstring& path, std::int64_t offset, std::int32_t size,
                           BlockBuffers& buffers) const;
        std::int64_t Length() const;
        bool Disposed() const;
        void Dispose();

        // The buffers of the last block stream that ended, taken over by the next one: fresh
        // buffers for every stream would have the system supply (and zero) new pages for every
        // block decoded, which costs as much as decoding itself when entries are read one by one.
        BlockBuffers TakeSpare();
        void KeepSpare(BlockBuffers& buffers);

    private:
        mutable std::mutex mutex_;
        std::unique_ptr<ReadStream> stream_;  // null once the source is disposed
        BlockBuffers spare_;
    };

    // The forward-only stream over one file's blocks, decoding one block at a time on demand, or
    // taking each from a reader's read-ahead while that delivers this entry's next block.
    class BlockStream final : public EntryStream {
    public:
        // A stream of a reader tests the reader's token before every block it loads.
        BlockStream(std::shared_ptr<SharedPackage> package, PackedPayload::Entry entry, CancellationToken token = {},
                    std::shared_ptr<PackageReadAhead> readAhead = nullptr, std::size_t order = 0);
        // Hands its buffers to the source for the next stream.
        ~BlockStream() override;
        BlockStream(const BlockStream&) = delete;
        BlockStream& operator=(const BlockStream&) = delete;

        std::size_t Read(std::span<std::byte> buffer) override;
        // One call never lends bytes of two blocks.
        std::span<const std::byte> ReadSpan(std::size_t most) override;
        std::int64_t Length() const override { return entry_.Length; }
        std::int64_t Position() const override { return entry_.Length - remaining_; }

    private:
        bool LoadNextBlock();
        // Tells the read-ahead that this entry needs nothing more from it.
        void LeaveReadAhead();

        std::shared_ptr<SharedPackage> package_;
        PackedPayload::Entry entry_;
        CancellationToken token_;
        BlockBuffers buffers_;
        std::shared_ptr<PackageReadAhead> readAhead_;
        std::size_t order_;
        std::unique_ptr<ReadAheadLease> lease_;  // the read-ahead's block being delivered, if it is one
        const std::byte* block_ = nullptr;
        std::int64_t nextOffset_;
        std::int64_t remaining_;
        std::size_t blockIndex_ = 0;
        std::size_t decodedCount_ = 0;
        std::size_t readPosition_ = 0;
        bool ended_ = false;
    };

private:
    std::shared_ptr<SharedPackage> package_;
    std::vector<PackedPayload::Entry> index_;
    std::vector<PayloadEntry> entries_;
};

}  // namespace Ravenquill::Core
