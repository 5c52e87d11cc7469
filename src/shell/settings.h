#pragma once
// The user's choices for one installation: built from the manifest, the command line and the
// payload's sizes, edited by the options and finish pages, and turned into the engine's options when
// a run starts. Pure: the administrator test is Core::Elevation::IsAdministrator, which tests replace.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/engine/platform/uninstall_registry.h"
#include "core/model/command_line_options.h"
#include "core/model/install_manifest.h"
#include "core/model/install_options.h"
#include "core/payload/payload_summary.h"

namespace Ravenquill::Shell {

struct ComponentChoice {
    Core::ComponentDefinition Definition;
    std::int64_t Size = 0;
    bool Selected = false;

    // A required component is always included.
    bool IsIncluded() const noexcept;
    // The size in the system's size text, or "—" when it is 0 or less.
    std::wstring SizeText() const;
};

class Settings {
public:
    explicit Settings(std::shared_ptr<const Core::InstallManifest> manifest);

    std::shared_ptr<const Core::InstallManifest> Manifest;
    std::wstring InstallDir;
    std::vector<ComponentChoice> Components;
    bool PerMachine = false;
    bool DesktopShortcut = false;
    bool StartMenuShortcut = false;
    bool AddToPath = false;
    bool LaunchAfterInstall = false;

    // Per-machine scope without administrator rights (only the options page's note reads it, and
    // the start of an installation, which then relaunches elevated).
    bool NeedsElevation() const;
    std::vector<std::wstring> SelectedComponentIds() const;

    // An installation of the product found in the system's list makes the settings an update of
    // it: its scope unless the command line names one, and its directory unless the command line
    // gives one or the scope is another.
    static Settings FromOptions(std::shared_ptr<const Core::InstallManifest> manifest,
                                const Core::CommandLineOptions& options, const Core::PayloadSummary& summary,
                                const std::optional<Core::UninstallRegistry::InstalledEntry>& existing = std::nullopt);
    // Switches the scope; a directory still equal to the old scope's default follows the new scope.
    void SetPerMachine(bool value);
    // A new object each call; later changes of the settings do not reach it.
    Core::InstallOptions ToInstallOptions() const;
    // The elevated relaunch's arguments for these choices: options.ToArguments, then the
    // relaunch-only "--no-add-to-path" when PATH is off while the manifest would turn it on, so the
    // elevated copy keeps the choice.
    std::vector<std::wstring> RelaunchArguments(const Core::CommandLineOptions& options) const;
};

}  // namespace Ravenquill::Shell
