// The manifest reader over arbitrary bytes (any encoding a byte-order mark may select): it must
// answer a manifest or nothing, and whatever it answers must be usable by the manifest's helpers.
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/model/core_json.h"

using namespace Ravenquill::Core;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text = CoreJson::DecodeText(std::as_bytes(std::span(data, size)));
    const std::optional<InstallManifest> manifest = CoreJson::ReadManifest(text);
    if (!manifest) return 0;
    (void)manifest->Expand(manifest->DefaultInstallDir);
    (void)manifest->Expand(manifest->PerUserInstallDir);
    (void)manifest->EffectiveAccent();
    (void)manifest->EffectiveStartMenuFolder();
    return 0;
}
