#pragma once
// Everything one installation is asked to do. Compared by identity (no operator==).
#include <chrono>
#include <cstdint>
#include <memory>
#include <ratio>
#include <string>
#include <vector>

#include "core/model/install_manifest.h"

namespace Ravenquill::Core {

// 100-ns ticks.
using TickDuration = std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>>;

class InstallOptions {
public:
    std::shared_ptr<const InstallManifest> Manifest;
    // As chosen; the install sequence makes it a full path.
    std::wstring InstallDir;
    bool PerMachine = false;
    bool DesktopShortcut = false;
    bool StartMenuShortcut = false;
    bool AddToPath = false;
    std::vector<std::wstring> SelectedComponentIds;
    // Zero means no wait.
    TickDuration MinimumDuration{18'000'000};
};

}  // namespace Ravenquill::Core
