#pragma once
// A package presented as a payload source. All block streams of a source share its package stream
// and set its position before every block, under the package's lock: streams of different
// entries may be read alternately, and a reader's threads may decode ahead meanwhile, but each
// stream is read by one thread at a time.
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "block_decoder.h"
#include "packed_payload.h"
#include "payload_source.h"
#include "read_ahead_lease.h"

namespace Ravenquill::Core {

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

    // The package stream as its block streams and readers share it; it outlives the source only as
    // a closed shell.
    class SharedPackage {
    public:
        explicit SharedPackage(std::unique_ptr<ReadStream> stream) : stream_(std::move(stream)) {}

        // Decodes the block of `size` bytes at `offset` with the decoder, reading it in pieces under
        // the package's lock, or straight from memory when the package lies there; answers the
        // decoded bytes, which the decoder holds until its next block. A block that does not decode
        // completely into 4 MiB fails with the package's message naming the path; the reading
        // layer's faults fail with its own errors, memory that cannot be had with std::bad_alloc.
        std::span<const std::byte> Decode(const std::wstring& path, std::int64_t offset, std::int32_t size,
                                          BlockDecoder& decoder) const;
        std::int64_t Length() const;
        bool Disposed() const;
        void Dispose();

        // The decoder of the last block stream that ended, taken over by the next one, so that the
        // memory of decoding is the system's only once however many entries are read one by one.
        std::unique_ptr<BlockDecoder> TakeSpare();
        void KeepSpare(std::unique_ptr<BlockDecoder>& decoder);

    private:
        mutable std::mutex mutex_;
        // Null once the source is disposed; a decode from memory holds it meanwhile.
        std::shared_ptr<ReadStream> stream_;
        std::unique_ptr<BlockDecoder> spare_;
    };

    // The forward-only stream over one file's blocks, decoding one block at a time on demand, or
    // taking each from a reader's read-ahead while that delivers this entry's next block.
    class BlockStream final : public EntryStream {
    public:
        // A stream of a reader tests the reader's token before every block it loads.
        BlockStream(std::shared_ptr<SharedPackage> package, PackedPayload::Entry entry, CancellationToken token = {},
                    std::shared_ptr<PackageReadAhead> readAhead = nullptr, std::size_t order = 0);
        // Hands its decoder to the source for the next stream.
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
        std::unique_ptr<BlockDecoder> decoder_;  // its own, made at the first block it decodes itself
        std::shared_ptr<PackageReadAhead> readAhead_;
        std::size_t order_;
        std::optional<ReadAheadLease> lease_;  // the read-ahead's block being delivered, if it is one
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
