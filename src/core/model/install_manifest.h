#pragma once
// The product this executable installs and the choices its installer offers. Loaded once at
// start-up and shared read-only for the life of the process.
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Ravenquill::Core {

struct ComponentDefinition {
    std::wstring Id;
    std::wstring Name;
    std::optional<std::wstring> Description;
    // Payload folder whose files belong to the component; blank: it owns no files.
    std::optional<std::wstring> PathPrefix;
    bool Required = false;
    bool SelectedByDefault = true;

    bool operator==(const ComponentDefinition&) const = default;
};

class InstallManifest {
public:
    // Texts the system always needs are plain strings: a JSON null for them keeps the default.
    // The version is only shown and recorded, so a null version is absent: empty.
    std::wstring ProductName = L"RQ Demo App";
    std::wstring Version = L"1.0.0";
    std::wstring Publisher = L"VI Razivaru";
    std::wstring ProductId = L"RQDemoApp";
    std::optional<std::wstring> Tagline;
    std::optional<std::wstring> Website;
    std::optional<std::wstring> SupportUrl;
    std::wstring DefaultInstallDir = L"%ProgramFiles%\\{Publisher}\\{ProductName}";
    std::wstring PerUserInstallDir = L"%LOCALAPPDATA%\\Programs\\{ProductName}";
    std::optional<std::wstring> MainExecutable;
    std::optional<std::wstring> IconPath;
    bool RequireLicenseAccept = true;
    std::optional<std::wstring> LicenseText;
    std::optional<std::wstring> LicenseFile;
    std::optional<std::wstring> Accent;
    std::optional<std::wstring> AccentStart;
    std::wstring Theme = L"auto";
    bool AllowChangeDirectory = true;
    bool PreferPerMachine = true;
    bool OfferDesktopShortcut = true;
    bool OfferStartMenuShortcut = true;
    bool OfferAddToPath = false;
    bool OfferLaunchAfterInstall = true;
    bool DesktopShortcutByDefault = true;
    bool StartMenuShortcutByDefault = true;
    bool AddToPathByDefault = false;
    std::optional<std::wstring> StartMenuFolder;
    std::vector<ComponentDefinition> Components;

    // The embedded "Ravenquill.Manifest.json", else "installer.json" beside the executable, else
    // the defaults (also for a blank, invalid or null text). A failure to read the side file
    // reaches the caller.
    static InstallManifest Load();

    // Replaces the placeholders (ignoring case) and then expands %NAME% environment variables.
    std::wstring Expand(std::wstring_view templateText) const;

    // The nine characters < > : " / \ | ? * and control characters become '_'; then trimmed.
    static std::wstring SanitizeFileName(std::wstring_view name);

    // The first text that is neither absent, empty nor white space, unchanged.
    static std::optional<std::wstring> FirstNonEmpty(std::initializer_list<std::optional<std::wstring>> texts);

    std::wstring EffectiveAccent() const;
    std::wstring EffectiveStartMenuFolder() const;

    // The text of the executable's embedded resource of that name (byte-order mark honoured).
    static std::optional<std::wstring> ReadEmbeddedText(std::wstring_view name);

    bool operator==(const InstallManifest&) const = default;
};

}  // namespace Ravenquill::Core
