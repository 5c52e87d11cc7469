#include "entry_reader.h"

#include <algorithm>
#include <thread>

namespace Ravenquill::Core {
namespace {

// An entry's own stream, lent out through the base's buffer.
class OpenedEntryStream final : public EntryStream {
public:
    explicit OpenedEntryStream(std::unique_ptr<ReadStream> inner) : inner_(std::move(inner)) {}

    std::size_t Read(std::span<std::byte> buffer) override { return inner_->Read(buffer); }
    std::int64_t Length() const override { return inner_->Length(); }
    std::int64_t Position() const override { return inner_->Position(); }

private:
    std::unique_ptr<ReadStream> inner_;
};

class EachInTurn final : public EntryReader {
public:
    std::unique_ptr<EntryStream> Open(const PayloadEntry& entry) override {
        return std::make_unique<OpenedEntryStream>(entry.Open());
    }
};

}  // namespace

std::span<const std::byte> EntryStream::ReadSpan(std::size_t most) {
    if (most == 0) return {};
    // Sized by what the entry still holds, so that a small file costs a small buffer; never so
    // small that a stream delivering more than its length would go unnoticed.
    constexpr std::size_t Least = 4096;
    const std::int64_t left = Length() - Position();
    const std::size_t want = std::min(most, std::max(Least, left > 0 ? static_cast<std::size_t>(left) : Least));
    if (lentCapacity_ < want) {
        lent_ = std::make_unique_for_overwrite<std::byte[]>(want);
        lentCapacity_ = want;
    }
    const std::size_t n = Read(std::span(lent_.get(), want));
    return {lent_.get(), n};
}

int DefaultReadAheadThreads() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }

std::unique_ptr<EntryReader> OpenEachInTurn() { return std::make_unique<EachInTurn>(); }

}  // namespace Ravenquill::Core
