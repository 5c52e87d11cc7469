// The zip source over arbitrary bytes: reading the directory and every entry must fail only with
// the system's errors, and a stream that outlives its source must fail cleanly.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/payload/zip_payload_source.h"
#include "read_entries.h"

using namespace Ravenquill;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto* bytes = reinterpret_cast<const std::byte*>(data);
    std::unique_ptr<Core::ZipPayloadSource> source;
    try {
        source = std::make_unique<Core::ZipPayloadSource>(
            std::make_unique<MemoryReadStream>(std::vector<std::byte>(bytes, bytes + size)));
    } catch (const Exception&) {
        return 0;
    }
    for (const Core::PayloadEntry& entry : source->Entries()) {
        Fuzzing::Require(!entry.RelativePath.empty());
        Fuzzing::Require(entry.RelativePath.find(L'\0') == std::wstring::npos);
    }
    Fuzzing::ReadEntries(*source);

    if (!source->Entries().empty()) {
        const Core::PayloadEntry entry = source->Entries()[0];
        std::unique_ptr<ReadStream> stream;
        try {
            stream = entry.Open();
        } catch (const Exception&) {
            return 0;
        }
        source.reset();
        std::byte buffer[64];
        try {
            stream->Read(buffer);
            Fuzzing::Require(false);
        } catch (const ObjectDisposedException&) {
        }
    }
    return 0;
}
