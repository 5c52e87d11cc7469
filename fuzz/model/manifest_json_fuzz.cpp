// The manifest reader over arbitrary bytes (any encoding a byte-order mark may select): it must
// answer a manifest or nothing, and whatever it answers must be usable by the manifest's helpers.
// The packing tool's check reads the same text: where both answer a manifest, it is the same one,
// so that what the check approves is what the installer will do.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "core/model/core_json.h"

using namespace Ravenquill::Core;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text = CoreJson::DecodeText(std::as_bytes(std::span(data, size)));
    const std::optional<InstallManifest> manifest = CoreJson::ReadManifest(text);
    const CoreJson::ManifestCheck check = CoreJson::CheckManifest(text);
    if (manifest && check.Manifest && !(*check.Manifest == *manifest)) std::abort();
    if (!manifest) return 0;
    (void)manifest->Expand(manifest->DefaultInstallDir);
    (void)manifest->Expand(manifest->PerUserInstallDir);
    (void)manifest->EffectiveAccent();
    (void)manifest->EffectiveStartMenuFolder();
    return 0;
}
