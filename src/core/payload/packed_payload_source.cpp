#include "packed_payload_source.h"

#include <brotli/decode.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "buffered_read_stream.h"
#include "checked_math.h"
#include "core/common/errors.h"

namespace Ravenquill::Core {

PackedPayloadSource::PackedPayloadSource(std::unique_ptr<ReadStream> stream)
    : package_(std::make_shared<SharedPackage>()) {
    package_->Stream = MakeSeekable(std::move(stream));
    std::vector<PackedPayload::Entry> index = PackedPayload::ReadIndex(*package_->Stream);
    entries_.reserve(index.size());
    for (PackedPayload::Entry& entry : index) {
        PayloadEntry payloadEntry{entry.RelativePath, entry.Length, nullptr};
        payloadEntry.Open = [package = package_, entry = std::move(entry)]() -> std::unique_ptr<ReadStream> {
            return std::make_unique<BlockStream>(package, entry);
        };
        entries_.push_back(std::move(payloadEntry));
    }
}

PackedPayloadSource::~PackedPayloadSource() {
    package_->Stream.reset();
    package_->Spare = {};
}

PackedPayloadSource::BlockStream::BlockStream(std::shared_ptr<SharedPackage> package, PackedPayload::Entry entry)
    : package_(std::move(package)), entry_(std::move(entry)), nextOffset_(entry_.Offset), remaining_(entry_.Length) {}

PackedPayloadSource::BlockStream::~BlockStream() {
    // Only a live source keeps buffers, and of two it keeps the pair with the larger block room.
    if (package_->Stream == nullptr || !buffers_.Decoded) return;
    if (!package_->Spare.Decoded || package_->Spare.CompressedCapacity <= buffers_.CompressedCapacity)
        package_->Spare = std::move(buffers_);
}

std::size_t PackedPayloadSource::BlockStream::Read(std::span<std::byte> buffer) {
    if (buffer.empty() || ended_ || remaining_ <= 0) return 0;
    if (readPosition_ == decodedCount_ && !LoadNextBlock()) {
        ended_ = true;
        return 0;
    }
    const std::size_t n = static_cast<std::size_t>(
        std::min<std::int64_t>(std::min(buffer.size(), decodedCount_ - readPosition_), remaining_));
    std::memcpy(buffer.data(), buffers_.Decoded.get() + readPosition_, n);
    readPosition_ += n;
    remaining_ -= static_cast<std::int64_t>(n);
    return n;
}

bool PackedPayloadSource::BlockStream::LoadNextBlock() {
    const std::vector<std::int32_t>& lengths = *entry_.BlockLengths;
    if (blockIndex_ >= lengths.size()) return false;
    const std::int32_t size = lengths[blockIndex_];
    ReadStream* stream = package_->Stream.get();
    if (stream == nullptr) throw ObjectDisposedException(L"Cannot access a closed Stream.");
    if (size < 0) throw ArgumentException(L"Non-negative number required. (Parameter 'count')");

    // A compressed size is only as trustworthy as the package: the block must lie inside the stream
    // before a buffer is sized for it, else a few hostile bytes could ask for 2 GiB.
    if (nextOffset_ < 0)
        throw ArgumentException(L"An attempt was made to move the position before the beginning of the stream.");
    if (PayloadDetail::CheckedAdd(nextOffset_, size) > stream->Length()) throw EndOfStreamException();

    const auto usize = static_cast<std::size_t>(size);
    if (!buffers_.Decoded) {
        if (package_->Spare.Decoded)
            buffers_ = std::exchange(package_->Spare, {});
        else
            buffers_.Decoded = std::make_unique_for_overwrite<std::byte[]>(PackedPayload::MaxBlockBytes);
    }
    if (buffers_.CompressedCapacity < usize) {
        buffers_.Compressed = std::make_unique_for_overwrite<std::byte[]>(usize);
        buffers_.CompressedCapacity = usize;
    }

    stream->Seek(nextOffset_);
    stream->ReadExactly(std::span(buffers_.Compressed.get(), usize));

    std::size_t decodedSize = PackedPayload::MaxBlockBytes;
    const BrotliDecoderResult result =
        BrotliDecoderDecompress(usize, reinterpret_cast<const std::uint8_t*>(buffers_.Compressed.get()), &decodedSize,
                                reinterpret_cast<std::uint8_t*>(buffers_.Decoded.get()));
    if (result != BROTLI_DECODER_RESULT_SUCCESS)
        throw InvalidDataException(L"Пакет повреждён: не удалось распаковать «" + entry_.RelativePath + L"».");

    nextOffset_ += size;
    ++blockIndex_;
    decodedCount_ = decodedSize;
    readPosition_ = 0;
    return decodedCount_ >= 1;
}

}  // namespace Ravenquill::Core
