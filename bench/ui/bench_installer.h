#pragma once
// What the window benchmarks install: a small product with no licence to accept and no shortcuts,
// into a folder of the benchmark's own, for the current user.
#include <filesystem>
#include <memory>
#include <string>

#include "core/model/command_line_options.h"
#include "core/model/install_manifest.h"

namespace Ravenquill::Bench {

inline std::shared_ptr<Core::InstallManifest> BenchManifest(const std::wstring& name, const std::wstring& id) {
    auto manifest = std::make_shared<Core::InstallManifest>();
    manifest->ProductName = name;
    manifest->ProductId = id;
    manifest->RequireLicenseAccept = false;
    manifest->OfferDesktopShortcut = false;
    manifest->OfferStartMenuShortcut = false;
    return manifest;
}

inline Core::CommandLineOptions BenchOptions(const std::filesystem::path& target) {
    Core::CommandLineOptions options;
    options.InstallDir = target.wstring();
    options.PerMachine = false;
    return options;
}

}  // namespace Ravenquill::Bench
