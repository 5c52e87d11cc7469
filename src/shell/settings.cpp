#include "shell/settings.h"

#include <algorithm>
#include <utility>

#include "core/common/path.h"
#include "core/common/text.h"
#include "core/engine/engines/install_engine.h"

namespace Ravenquill::Shell {
namespace {

std::wstring DefaultDirectory(const Core::InstallManifest& manifest, bool perMachine) {
    return manifest.Expand(perMachine ? manifest.DefaultInstallDir : manifest.PerUserInstallDir);
}

std::wstring_view WithoutTrailingBackslashes(std::wstring_view path) {
    while (!path.empty() && path.back() == L'\\') path.remove_suffix(1);
    return path;
}

bool SameDirectory(std::wstring_view a, std::wstring_view b) {
    return Text::EqualsIgnoreCase(WithoutTrailingBackslashes(a), WithoutTrailingBackslashes(b));
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

// The record lists the desktop shortcut beside those of its Start-menu folder.
bool MadeDesktopShortcut(const Core::InstallRecord& record) {
    return std::any_of(record.Shortcuts.begin(), record.Shortcuts.end(), [&](const std::wstring& link) {
        return !record.StartMenuDirectory || !SameDirectory(Path::GetDirectoryName(link), *record.StartMenuDirectory);
    });
}

// A component the earlier installation was never offered takes the manifest's default: its choice
// was not declined, it was not there to make. A record without the offered list is one from before
// the list was kept, whose components are its choices, or one whose manifest offered none, which
// then lists no component either.
bool NewTo(const Core::InstallRecord& record, const std::wstring& id) {
    if (record.OfferedComponents.empty()) return record.Components.empty();
    return !Names(record.OfferedComponents, id);
}

}  // namespace

bool ComponentChoice::IsIncluded() const noexcept { return Selected || Definition.Required; }

std::wstring ComponentChoice::SizeText() const {
    return Size > 0 ? Core::InstallEngine::FormatSize(Size) : std::wstring(L"—");
}

Settings::Settings(std::shared_ptr<const Core::InstallManifest> manifest) : Manifest(std::move(manifest)) {}

bool Settings::NeedsElevation() const { return PerMachine && !Administrator; }

std::vector<std::wstring> Settings::SelectedComponentIds() const {
    std::vector<std::wstring> ids;
    for (const ComponentChoice& component : Components)
        if (component.IsIncluded()) ids.push_back(component.Definition.Id);
    return ids;
}

Settings Settings::FromOptions(std::shared_ptr<const Core::InstallManifest> manifest,
                               const Core::CommandLineOptions& options, const Core::PayloadSummary& summary,
                               const Core::EarlierInstallations& earlier, bool administrator) {
    const Core::InstallManifest& m = *manifest;
    Settings settings(std::move(manifest));
    settings.Earlier = earlier;
    settings.Administrator = administrator;
    if (options.PerMachine)
        settings.PerMachine = *options.PerMachine;
    else if (earlier.PerMachine || earlier.PerUser)
        settings.PerMachine = earlier.PerMachine.has_value();
    else
        settings.PerMachine = m.PreferPerMachine && administrator;
    settings.InstallDir = options.InstallDir ? *options.InstallDir : settings.ScopeDirectory(settings.PerMachine);

    const Core::InstallRecord* record = settings.RecordOfTheUpdate();
    const bool desktopDefault = record ? MadeDesktopShortcut(*record) : m.DesktopShortcutByDefault;
    const bool startMenuDefault = record ? record->StartMenuDirectory.has_value() : m.StartMenuShortcutByDefault;
    settings.DesktopShortcut = m.OfferDesktopShortcut && options.DesktopShortcut.value_or(desktopDefault);
    settings.StartMenuShortcut = m.OfferStartMenuShortcut && options.StartMenuShortcut.value_or(startMenuDefault);
    // The switch applies even where the manifest offers no choice; the relaunch-only opposite keeps
    // a choice made before the relaunch from falling back to the default.
    if (options.AddToPath)
        settings.AddToPath = true;
    else
        settings.AddToPath = !options.NoAddToPath && m.OfferAddToPath && settings.PathOnByDefault();
    settings.LaunchAfterInstall = m.OfferLaunchAfterInstall;
    for (const Core::ComponentDefinition& definition : m.Components) {
        ComponentChoice choice{definition, ComponentSize(definition, summary), false};
        if (definition.Required)
            choice.Selected = true;
        else if (options.ComponentsSpecified)
            choice.Selected = Names(options.Components, definition.Id);
        else if (record && !NewTo(*record, definition.Id))
            choice.Selected = Names(record->Components, definition.Id);
        else
            choice.Selected = definition.SelectedByDefault;
        settings.Components.push_back(std::move(choice));
    }
    return settings;
}

const Core::InstallRecord* Settings::RecordOfTheUpdate() const {
    const std::optional<Core::EarlierInstallation>& replaced = Earlier.In(PerMachine);
    if (!replaced || !replaced->Record || !SameDirectory(InstallDir, replaced->InstallDir)) return nullptr;
    return &*replaced->Record;
}

bool Settings::PathOnByDefault() const {
    const Core::InstallRecord* record = RecordOfTheUpdate();
    return record ? record->PathEntryAdded : Manifest->AddToPathByDefault;
}

std::wstring Settings::ScopeDirectory(bool perMachine) const {
    if (const std::optional<Core::EarlierInstallation>& installed = Earlier.In(perMachine))
        return installed->InstallDir;
    return DefaultDirectory(*Manifest, perMachine);
}

void Settings::SetPerMachine(bool value) {
    if (value == PerMachine) return;
    const std::wstring oldDefault = DefaultDirectory(*Manifest, PerMachine);
    const std::optional<Core::EarlierInstallation>& oldInstalled = Earlier.In(PerMachine);
    // The directory the user saw as the old scope's: its default, or the folder of its installation,
    // which was never the user's choice either.
    const bool unchosen =
        SameDirectory(InstallDir, oldDefault) || (oldInstalled && SameDirectory(InstallDir, oldInstalled->InstallDir));
    PerMachine = value;
    if (unchosen) InstallDir = ScopeDirectory(PerMachine);
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
    // The list carries PATH only when it is on; without this the elevated copy, which finds the same
    // installation, would turn it on again as its default.
    if (!AddToPath && Manifest->OfferAddToPath && PathOnByDefault()) arguments.emplace_back(L"--no-add-to-path");
    return arguments;
}

}  // namespace Ravenquill::Shell
