#include "shell/settings.h"

#include <algorithm>
#include <utility>

#include "core/common/text.h"
#include "core/engine/engines/install_engine.h"
#include "core/engine/platform/elevation.h"

namespace Ravenquill::Shell {
namespace {

std::wstring DefaultDirectory(const Core::InstallManifest& manifest, bool perMachine) {
    return manifest.Expand(perMachine ? manifest.DefaultInstallDir : manifest.PerUserInstallDir);
}

std::wstring_view WithoutTrailingBackslashes(std::wstring_view path) {
    while (!path.empty() && path.back() == L'\\') path.remove_suffix(1);
    return path;
}

bool Names(const std::vector<std::wstring>& ids, const std::wstring& id) {
    return std::any_of(ids.begin(), ids.end(),
                       [&](const std::wstring& named) { return Text::EqualsIgnoreCase(named, id); });
}

std::int64_t ComponentSize(const Core::ComponentDefinition& component, const Core::PayloadSummary& summary) {
    // A component without a folder of its own owns no files; the payload outside every component is
    // what it stands for on the options page.
    if (!component.PathPrefix || Text::IsNullOrWhiteSpace(*component.PathPrefix)) return summary.UnassignedBytes;
    const auto found = summary.ComponentBytes.find(component.Id);
    return found == summary.ComponentBytes.end() ? 0 : found->second;
}

}  // namespace

bool ComponentChoice::IsIncluded() const noexcept { return Selected || Definition.Required; }

std::wstring ComponentChoice::SizeText() const {
    return Size > 0 ? Core::InstallEngine::FormatSize(Size) : std::wstring(L"—");
}

Settings::Settings(std::shared_ptr<const Core::InstallManifest> manifest) : Manifest(std::move(manifest)) {}

bool Settings::NeedsElevation() const { return PerMachine && !Core::Elevation::IsAdministrator(); }

std::vector<std::wstring> Settings::SelectedComponentIds() const {
    std::vector<std::wstring> ids;
    for (const ComponentChoice& component : Components)
        if (component.IsIncluded()) ids.push_back(component.Definition.Id);
    return ids;
}

Settings Settings::FromOptions(std::shared_ptr<const Core::InstallManifest> manifest,
                               const Core::CommandLineOptions& options, const Core::PayloadSummary& summary,
                               const std::optional<Core::UninstallRegistry::InstalledEntry>& existing) {
    const Core::InstallManifest& m = *manifest;
    Settings settings(std::move(manifest));
    if (options.PerMachine)
        settings.PerMachine = *options.PerMachine;
    else if (existing)
        settings.PerMachine = existing->PerMachine;
    else
        settings.PerMachine = m.PreferPerMachine && Core::Elevation::IsAdministrator();
    settings.DesktopShortcut = m.OfferDesktopShortcut && options.DesktopShortcut.value_or(m.DesktopShortcutByDefault);
    settings.StartMenuShortcut =
        m.OfferStartMenuShortcut && options.StartMenuShortcut.value_or(m.StartMenuShortcutByDefault);
    // The switch applies even where the manifest offers no choice; the relaunch-only opposite keeps
    // a choice made before the relaunch from falling back to the manifest's default.
    if (options.AddToPath)
        settings.AddToPath = true;
    else
        settings.AddToPath = !options.NoAddToPath && m.OfferAddToPath && m.AddToPathByDefault;
    settings.LaunchAfterInstall = m.OfferLaunchAfterInstall;
    // Without this an update would go into the default folder beside the earlier installation,
    // which would keep its files with no entry left that could remove them.
    if (options.InstallDir)
        settings.InstallDir = *options.InstallDir;
    else if (existing && existing->PerMachine == settings.PerMachine)
        settings.InstallDir = existing->InstallLocation;
    else
        settings.InstallDir = DefaultDirectory(m, settings.PerMachine);
    for (const Core::ComponentDefinition& definition : m.Components) {
        ComponentChoice choice{definition, ComponentSize(definition, summary), false};
        if (definition.Required)
            choice.Selected = true;
        else if (options.ComponentsSpecified)
            choice.Selected = Names(options.Components, definition.Id);
        else
            choice.Selected = definition.SelectedByDefault;
        settings.Components.push_back(std::move(choice));
    }
    return settings;
}

void Settings::SetPerMachine(bool value) {
    if (value == PerMachine) return;
    const std::wstring oldDefault = DefaultDirectory(*Manifest, PerMachine);
    PerMachine = value;
    // Only a directory nobody chose follows the scope.
    if (Text::EqualsIgnoreCase(WithoutTrailingBackslashes(InstallDir), WithoutTrailingBackslashes(oldDefault)))
        InstallDir = DefaultDirectory(*Manifest, PerMachine);
}

Core::InstallOptions Settings::ToInstallOptions() const {
    Core::InstallOptions options;
    options.Manifest = Manifest;
    options.InstallDir = InstallDir;
    options.PerMachine = PerMachine;
    options.DesktopShortcut = DesktopShortcut;
    options.StartMenuShortcut = StartMenuShortcut;
    options.AddToPath = AddToPath;
    options.SelectedComponentIds = SelectedComponentIds();
    return options;
}

std::vector<std::wstring> Settings::RelaunchArguments(const Core::CommandLineOptions& options) const {
    const std::vector<std::wstring> ids = SelectedComponentIds();
    std::vector<std::wstring> arguments =
        options.ToArguments(InstallDir, PerMachine, DesktopShortcut, StartMenuShortcut, AddToPath, ids);
    // The list carries PATH only when it is on; without this the elevated copy would turn it on again.
    if (!AddToPath && Manifest->OfferAddToPath && Manifest->AddToPathByDefault)
        arguments.emplace_back(L"--no-add-to-path");
    return arguments;
}

}  // namespace Ravenquill::Shell
