// The package reader over arbitrary bytes: reading the index, then every entry through its
// opener, and entries read alternately, must fail only with the system's errors; the entries read
// in order with their blocks decoded ahead must give what their own streams give.
#include <cstddef>
#include <cstdint>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

#include "core/common/text.h"
#include "core/payload/packed_payload_source.h"
#include "read_entries.h"

using namespace Ravenquill;

namespace {

// Each entry's bytes, in order, up to the first failure (its kind and message) or a budget of
// decoded bytes, read through the given opener.
template <class Open>
std::vector<std::vector<std::byte>> Transcript(const Core::PayloadSource& source, Open&& open, std::string& failure) {
    constexpr std::size_t Budget = 16 * 1024 * 1024;
    std::vector<std::vector<std::byte>> entries;
    std::size_t total = 0;
    std::vector<std::byte> buffer(20000);
    for (const Core::PayloadEntry& entry : source.Entries()) {
        entries.emplace_back();
        try {
            const auto stream = open(entry);
            for (std::size_t n; total < Budget && (n = stream->Read(buffer)) != 0; total += n)
                entries.back().insert(entries.back().end(), buffer.begin(), buffer.begin() + n);
        } catch (const Exception& e) {
            failure = std::string(typeid(e).name()) + Text::ToUtf8(e.Message());
            break;
        }
        if (total >= Budget) break;
    }
    return entries;
}

void CompareReadAhead(const Core::PayloadSource& source) {
    std::string ownFailure;
    const auto own = Transcript(
        source, [](const Core::PayloadEntry& entry) { return entry.Open(); }, ownFailure);
    std::vector<const Core::PayloadEntry*> order;
    for (const Core::PayloadEntry& entry : source.Entries()) order.push_back(&entry);
    // Every entry decoded ahead, and only those of 4 KiB or more.
    for (const auto& [threads, least] : {std::pair{1, 0}, std::pair{4, 0}, std::pair{4, 4096}}) {
        const auto reader = source.ReadInOrder(order, Core::ReadAheadOptions{threads, {}, least});
        std::string failure;
        const auto ahead = Transcript(
            source, [&](const Core::PayloadEntry& entry) { return reader->Open(entry); }, failure);
        Fuzzing::Require(ahead == own && failure == ownFailure);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto* bytes = reinterpret_cast<const std::byte*>(data);
    std::unique_ptr<Core::PackedPayloadSource> source;
    try {
        source = std::make_unique<Core::PackedPayloadSource>(
            std::make_unique<MemoryReadStream>(std::vector<std::byte>(bytes, bytes + size)));
    } catch (const Exception&) {
        return 0;
    }
    Fuzzing::ReadEntries(*source);
    CompareReadAhead(*source);

    // Two entries read in turn share the package stream; each must still get its own bytes.
    const auto& entries = source->Entries();
    if (entries.size() >= 2) {
        try {
            const auto a = entries[0].Open();
            const auto b = entries[1].Open();
            std::byte buffer[4096];
            for (int i = 0; i < 8; ++i) {
                a->Read(buffer);
                b->Read(buffer);
            }
        } catch (const Exception&) {
        }
    }

    // A stream that outlives its source fails cleanly.
    if (!entries.empty()) {
        const Core::PayloadEntry entry = entries[0];
        const auto stream = entry.Open();
        source.reset();
        std::byte buffer[64];
        try {
            stream->Read(buffer);
        } catch (const Exception&) {
        }
    }
    return 0;
}
