#pragma once
// The user's choices for one installation: built from the manifest, the command line and the
// payload's sizes, edited by the options and finish pages, and turned into the engine's options when
// a run starts. Pure: whether the process runs with administrator rights is given when they are made.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/engine/engines/earlier_installation.h"
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
    // The product's installations found when the settings were made, one per scope: each scope's
    // folder is its installation's, so that an update replaces it instead of leaving it behind.
    Core::EarlierInstallations Earlier;
    // Whether this process runs with administrator rights (EngineServices::IsAdministrator).
    bool Administrator = false;

    // Per-machine scope without administrator rights (only the options page's note reads it, and
    // the start of an installation, which then relaunches elevated).
    bool NeedsElevation() const;
    std::vector<std::wstring> SelectedComponentIds() const;

    // An installation of the product found makes the settings an update of it: the scope is the
    // command line's, else that of the installation found (the machine's first), else the
    // manifest's; the directory is the command line's, else the installation's in that scope, else
    // the scope's default. Into the installation's own folder, the choices its record holds
    // (components, shortcuts, PATH) are the defaults wherever the command line names none; a
    // component new to that installation takes the manifest's default. Without
    // either, per-machine is the manifest's preference where the process has administrator rights.
    static Settings FromOptions(std::shared_ptr<const Core::InstallManifest> manifest,
                                const Core::CommandLineOptions& options, const Core::PayloadSummary& summary,
                                const Core::EarlierInstallations& earlier, bool administrator);

    // The record of the installation these settings update: the one found in this scope, when the
    // directory is its folder and its record can be trusted; none for a first installation.
    const Core::InstallRecord* RecordOfTheUpdate() const;
    // PATH as an update of that installation, or the manifest's first choice, would have it.
    bool PathOnByDefault() const;
    // The folder a scope starts from: its installation's, else its default.
    std::wstring ScopeDirectory(bool perMachine) const;
    // Switches the scope; a directory nobody chose (still the old scope's folder) follows it.
    void SetPerMachine(bool value);
    // A new object each call; later changes of the settings do not reach it.
    Core::InstallOptions ToInstallOptions() const;
    // The elevated relaunch's arguments for these choices: options.ToArguments, then the
    // relaunch-only "--no-add-to-path" when PATH is off while the manifest would turn it on, so the
    // elevated copy keeps the choice.
    std::vector<std::wstring> RelaunchArguments(const Core::CommandLineOptions& options) const;
};

}  // namespace Ravenquill::Shell
