#include "packed_payload_source.h"

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
        helpers_.reserve(readAhead_->Helpers());
        for (std::size_t i = 0; i < readAhead_->Helpers(); ++i) {
            try {
                helpers_.emplace_back([readAhead = readAhead_.get()] {
                    // Nothing escapes a helper, which would end the process: the reading thread
                    // gets it instead.
                    try {
                        readAhead->Work();
                    } catch (...) {
                        readAhead->Abandon(std::current_exception());
                    }
                });
            } catch (const std::system_error&) {
                // The system starts no more threads: fewer helpers, or none, and then the reading
                // thread decodes.
                break;
            } catch (...) {
                // Out of memory: the reading fails here, on its own thread, once the helpers
                // started so far have ended.
                JoinHelpers();
                throw;
            }
        }
        readAhead_->Started(helpers_.size());
    }

    ~PackageEntryReader() override { JoinHelpers(); }

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
    void JoinHelpers() noexcept {
        readAhead_->Stop();
        for (std::thread& helper : helpers_) helper.join();
    }

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

std::span<const std::byte> PackedPayloadSource::SharedPackage::Decode(const std::wstring& path, std::int64_t offset,
                                                                      std::int32_t size, BlockDecoder& decoder) const {
    std::shared_ptr<ReadStream> resident;
    {
        const std::lock_guard lock(mutex_);
        if (stream_ == nullptr) throw ObjectDisposedException(L"Cannot access a closed Stream.");
        if (size < 0) throw ArgumentException(L"Non-negative number required. (Parameter 'count')");
        // A compressed size is only as trustworthy as the package: the block must lie inside the
        // stream before anything is read for it.
        if (offset < 0)
            throw ArgumentException(L"An attempt was made to move the position before the beginning of the stream.");
        if (PayloadDetail::CheckedAdd(offset, size) > stream_->Length()) throw EndOfStreamException();
        if (!stream_->InMemory().empty()) resident = stream_;
    }
    const auto usize = static_cast<std::size_t>(size);
    std::optional<std::span<const std::byte>> decoded;
    if (resident) {
        // Decoded where it lies (an embedded package is the program's mapped image): nothing copied.
        decoded = decoder.Decode(resident->InMemory().subspan(static_cast<std::size_t>(offset), usize));
    } else {
        decoded = decoder.Decode(usize, [&](std::size_t at, std::span<std::byte> room) {
            const std::lock_guard lock(mutex_);
            if (stream_ == nullptr) throw ObjectDisposedException(L"Cannot access a closed Stream.");
            stream_->Seek(offset + static_cast<std::int64_t>(at));
            stream_->ReadExactly(room);
        });
    }
    if (!decoded) throw InvalidDataException(L"Пакет повреждён: не удалось распаковать «" + path + L"».");
    return *decoded;
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

std::unique_ptr<BlockDecoder> PackedPayloadSource::SharedPackage::TakeSpare() {
    {
        const std::lock_guard lock(mutex_);
        if (spare_) return std::move(spare_);
    }
    return std::make_unique<BlockDecoder>();
}

void PackedPayloadSource::SharedPackage::KeepSpare(std::unique_ptr<BlockDecoder>& decoder) {
    const std::lock_guard lock(mutex_);
    // Only a live source keeps a decoder, and of two it keeps the one that kept more memory.
    if (stream_ == nullptr || !decoder) return;
    if (!spare_ || spare_->KeptBytes() <= decoder->KeptBytes()) spare_ = std::move(decoder);
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
    package_->KeepSpare(decoder_);
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

    std::span<const std::byte> block;
    if (readAhead_) {
        if (std::optional<ReadAheadLease> lease = readAhead_->Take(order_, blockIndex_)) {
            if (package_->Disposed()) throw ObjectDisposedException(L"Cannot access a closed Stream.");
            if (lease->Failure()) std::rethrow_exception(lease->Failure());
            block = lease->Bytes();
            lease_ = std::move(lease);
        } else {
            // Not what the read-ahead delivers next (an entry opened again, streams read by
            // turns): this stream decodes on its own from here on.
            readAhead_.reset();
        }
    }
    if (!lease_) {
        if (!decoder_) decoder_ = package_->TakeSpare();
        block = package_->Decode(entry_.RelativePath, nextOffset_, size, *decoder_);
    }
    block_ = block.data();
    decodedCount_ = block.size();
    nextOffset_ += size;
    ++blockIndex_;
    readPosition_ = 0;
    return decodedCount_ >= 1;
}

}  // namespace Ravenquill::Core
