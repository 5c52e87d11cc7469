#include "packed_payload_source.h"

#include <brotli/decode.h>

#include <algorithm>
#include <cstring>
#include <system_error>
#include <thread>
#include <utility>

#include "buffered_read_stream.h"
#include "checked_math.h"
#include "core/common/errors.h"
#include "package_read_ahead.h"

namespace Ravenquill::Core {
namespace {

// The entries of one order read with their blocks decoded ahead; the helper threads live exactly
// as long as the reader.
class PackageEntryReader final : public EntryReader {
public:
    PackageEntryReader(std::shared_ptr<PackedPayloadSource::SharedPackage> package,
                       const std::vector<PayloadEntry>& entries, const std::vector<PackedPayload::Entry>& index,
                       std::vector<const PayloadEntry*> order, const ReadAheadOptions& options)
        : package_(std::move(package)),
          entries_(entries),
          index_(index),
          order_(std::move(order)),
          token_(options.Token),
          ahead_(order_.size(), NotAhead) {
        std::vector<PackedPayload::Entry> planned;
        for (std::size_t i = 0; i < order_.size(); ++i) {
            const PackedPayload::Entry& entry = index_[IndexOf(*order_[i])];
            if (entry.Length < options.LeastLength) continue;
            ahead_[i] = planned.size();
            planned.push_back(entry);
        }
        readAhead_ = std::make_shared<PackageReadAhead>(package_, std::move(planned), options);
        for (std::size_t i = 0; i < readAhead_->Helpers(); ++i) {
            try {
                helpers_.emplace_back([readAhead = readAhead_.get()] { readAhead->Work(); });
            } catch (const std::system_error&) {
                break;  // fewer helpers, or none: then the reading thread decodes
            }
        }
        readAhead_->Started(helpers_.size());
    }

    ~PackageEntryReader() override {
        readAhead_->Stop();
        for (std::thread& helper : helpers_) helper.join();
    }

    std::unique_ptr<EntryStream> Open(const PayloadEntry& entry) override {
        const auto planned = std::find(order_.begin() + static_cast<std::ptrdiff_t>(next_), order_.end(), &entry);
        if (planned != order_.end()) {
            const auto position = static_cast<std::size_t>(planned - order_.begin());
            next_ = position + 1;
            if (ahead_[position] != NotAhead)
                return std::make_unique<PackedPayloadSource::BlockStream>(package_, index_[IndexOf(entry)], token_,
                                                                          readAhead_, ahead_[position]);
        }
        return std::make_unique<PackedPayloadSource::BlockStream>(package_, index_[IndexOf(entry)], token_);
    }

private:
    std::size_t IndexOf(const PayloadEntry& entry) const {
        if (entries_.empty() || &entry < entries_.data() || &entry >= entries_.data() + entries_.size())
            throw ArgumentException(L"The entry is not one of this package's entries.");
        return static_cast<std::size_t>(&entry - entries_.data());
    }

    std::shared_ptr<PackedPayloadSource::SharedPackage> package_;
    const std::vector<PayloadEntry>& entries_;
    const std::vector<PackedPayload::Entry>& index_;
    static constexpr std::size_t NotAhead = static_cast<std::size_t>(-1);
    const std::vector<const PayloadEntry*> order_;
    const CancellationToken token_;
    // For each entry of the order, its place among the entries decoded ahead, if it is one.
    std::vector<std::size_t> ahead_;
    std::size_t next_ = 0;  // where in the order the next entry opened is looked for
    std::shared_ptr<PackageReadAhead> readAhead_;
    std::vector<std::thread> helpers_;
};

}  // namespace

PackedPayloadSource::PackedPayloadSource(std::unique_ptr<ReadStream> stream) {
    std::unique_ptr<ReadStream> seekable = MakeSeekable(std::move(stream));
    index_ = PackedPayload::ReadIndex(*seekable);
    package_ = std::make_shared<SharedPackage>(std::move(seekable));
    entries_.reserve(index_.size());
    for (const PackedPayload::Entry& entry : index_) {
        PayloadEntry payloadEntry{entry.RelativePath, entry.Length, nullptr};
        payloadEntry.Open = [package = package_, entry]() -> std::unique_ptr<ReadStream> {
            return std::make_unique<BlockStream>(package, entry);
        };
        entries_.push_back(std::move(payloadEntry));
    }
}

PackedPayloadSource::~PackedPayloadSource() { package_->Dispose(); }

std::unique_ptr<EntryReader> PackedPayloadSource::ReadInOrder(std::vector<const PayloadEntry*> order,
                                                              const ReadAheadOptions& options) const {
    return std::make_unique<PackageEntryReader>(package_, entries_, index_, std::move(order), options);
}

std::size_t PackedPayloadSource::SharedPackage::Decode(const std::wstring& path, std::int64_t offset, std::int32_t size,
                                                       BlockBuffers& buffers) const {
    std::size_t usize = 0;
    {
        const std::lock_guard lock(mutex_);
        if (stream_ == nullptr) throw ObjectDisposedException(L"Cannot access a closed Stream.");
        if (size < 0) throw ArgumentException(L"Non-negative number required. (Parameter 'count')");
        // A compressed size is only as trustworthy as the package: the block must lie inside the
        // stream before a buffer is sized for it, else a few hostile bytes could ask for 2 GiB.
        if (offset < 0)
            throw ArgumentException(L"An attempt was made to move the position before the beginning of the stream.");
        if (PayloadDetail::CheckedAdd(offset, size) > stream_->Length()) throw EndOfStreamException();

        usize = static_cast<std::size_t>(size);
        if (!buffers.Decoded)
            buffers.Decoded = std::make_unique_for_overwrite<std::byte[]>(PackedPayload::MaxBlockBytes);
        if (buffers.CompressedCapacity < usize) {
            buffers.Compressed = std::make_unique_for_overwrite<std::byte[]>(usize);
            buffers.CompressedCapacity = usize;
        }
        stream_->Seek(offset);
        stream_->ReadExactly(std::span(buffers.Compressed.get(), usize));
    }
    std::size_t decodedSize = PackedPayload::MaxBlockBytes;
    const BrotliDecoderResult result =
        BrotliDecoderDecompress(usize, reinterpret_cast<const std::uint8_t*>(buffers.Compressed.get()), &decodedSize,
                                reinterpret_cast<std::uint8_t*>(buffers.Decoded.get()));
    if (result != BROTLI_DECODER_RESULT_SUCCESS)
        throw InvalidDataException(L"Пакет повреждён: не удалось распаковать «" + path + L"».");
    return decodedSize;
}

std::int64_t PackedPayloadSource::SharedPackage::Length() const {
    const std::lock_guard lock(mutex_);
    return stream_ ? stream_->Length() : 0;
}

bool PackedPayloadSource::SharedPackage::Disposed() const {
    const std::lock_guard lock(mutex_);
    return stream_ == nullptr;
}

void PackedPayloadSource::SharedPackage::Dispose() {
    const std::lock_guard lock(mutex_);
    stream_.reset();
    spare_ = {};
}

PackedPayloadSource::BlockBuffers PackedPayloadSource::SharedPackage::TakeSpare() {
    const std::lock_guard lock(mutex_);
    return std::exchange(spare_, {});
}

void PackedPayloadSource::SharedPackage::KeepSpare(BlockBuffers& buffers) {
    const std::lock_guard lock(mutex_);
    // Only a live source keeps buffers, and of two it keeps the pair with the larger block room.
    if (stream_ == nullptr || !buffers.Decoded) return;
    if (!spare_.Decoded || spare_.CompressedCapacity <= buffers.CompressedCapacity) spare_ = std::move(buffers);
}

PackedPayloadSource::BlockStream::BlockStream(std::shared_ptr<SharedPackage> package, PackedPayload::Entry entry,
                                              CancellationToken token, std::shared_ptr<PackageReadAhead> readAhead,
                                              std::size_t order)
    : package_(std::move(package)),
      entry_(std::move(entry)),
      token_(std::move(token)),
      readAhead_(std::move(readAhead)),
      order_(order),
      nextOffset_(entry_.Offset),
      remaining_(entry_.Length) {}

PackedPayloadSource::BlockStream::~BlockStream() {
    lease_.reset();
    LeaveReadAhead();
    package_->KeepSpare(buffers_);
}

void PackedPayloadSource::BlockStream::LeaveReadAhead() {
    if (readAhead_) std::exchange(readAhead_, nullptr)->Finished(order_);
}

std::size_t PackedPayloadSource::BlockStream::Read(std::span<std::byte> buffer) {
    const std::span<const std::byte> bytes = ReadSpan(buffer.size());
    if (!bytes.empty()) std::memcpy(buffer.data(), bytes.data(), bytes.size());
    return bytes.size();
}

std::span<const std::byte> PackedPayloadSource::BlockStream::ReadSpan(std::size_t most) {
    if (most == 0 || ended_ || remaining_ <= 0) return {};
    if (readPosition_ == decodedCount_ && !LoadNextBlock()) {
        ended_ = true;
        LeaveReadAhead();
        return {};
    }
    const std::size_t n =
        static_cast<std::size_t>(std::min<std::int64_t>(std::min(most, decodedCount_ - readPosition_), remaining_));
    const std::span<const std::byte> bytes(block_ + readPosition_, n);
    readPosition_ += n;
    remaining_ -= static_cast<std::int64_t>(n);
    // The read-ahead goes on with the next entry at once; the bytes lent stay valid.
    if (remaining_ == 0) LeaveReadAhead();
    return bytes;
}

bool PackedPayloadSource::BlockStream::LoadNextBlock() {
    const std::vector<std::int32_t>& lengths = *entry_.BlockLengths;
    if (blockIndex_ >= lengths.size()) return false;
    const std::int32_t size = lengths[blockIndex_];
    lease_.reset();  // the block used up goes back to the read-ahead first
    ThrowIfCancellationRequested(token_);

    if (readAhead_) {
        if (std::unique_ptr<ReadAheadLease> lease = readAhead_->Take(order_, blockIndex_)) {
            if (package_->Disposed()) throw ObjectDisposedException(L"Cannot access a closed Stream.");
            if (lease->Failure()) std::rethrow_exception(lease->Failure());
            block_ = lease->Bytes();
            decodedCount_ = lease->Count();
            lease_ = std::move(lease);
        } else {
            // Not what the read-ahead delivers next (an entry opened again, streams read by
            // turns): this stream decodes on its own from here on.
            readAhead_.reset();
        }
    }
    if (!lease_) {
        if (!buffers_.Decoded) buffers_ = package_->TakeSpare();
        decodedCount_ = package_->Decode(entry_.RelativePath, nextOffset_, size, buffers_);
        block_ = buffers_.Decoded.get();
    }
    nextOffset_ += size;
    ++blockIndex_;
    readPosition_ = 0;
    return decodedCount_ >= 1;
}

}  // namespace Ravenquill::Core
