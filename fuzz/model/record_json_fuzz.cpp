// The record reader over arbitrary bytes: it must answer a record or nothing, and a record it
// answers must write out and read back as the same record.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "core/model/core_json.h"

using namespace Ravenquill::Core;

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text = CoreJson::DecodeText(std::as_bytes(std::span(data, size)));
    const std::optional<InstallRecord> record = CoreJson::ReadRecord(text);
    if (!record) return 0;

    // Texts pass through UTF-8 on the way out: unpaired surrogates come back as U+FFFD, so the
    // comparison is made after one round trip.
    const std::optional<InstallRecord> once = CoreJson::ReadRecord(CoreJson::WriteRecord(*record));
    Require(once.has_value());
    const std::optional<InstallRecord> twice = CoreJson::ReadRecord(CoreJson::WriteRecord(*once));
    Require(twice.has_value());
    const InstallRecord& a = *once;
    const InstallRecord& b = *twice;
    Require(a.ProductName == b.ProductName && a.ProductId == b.ProductId && a.Version == b.Version &&
            a.Publisher == b.Publisher && a.InstallDir == b.InstallDir && a.PerMachine == b.PerMachine &&
            a.InstalledAt == b.InstalledAt && a.Files == b.Files && a.Directories == b.Directories &&
            a.Shortcuts == b.Shortcuts && a.StartMenuDirectory == b.StartMenuDirectory &&
            a.Components == b.Components && a.PathEntryAdded == b.PathEntryAdded &&
            a.MainExecutable == b.MainExecutable);
    Require(record->InstalledAt == a.InstalledAt);
    return 0;
}
