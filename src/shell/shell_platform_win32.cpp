#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "core/common/file_system.h"
#include "core/engine/platform/elevation.h"
#include "shell/shell_platform.h"
#include "ui/folder_picker_win32.h"

namespace Ravenquill::Shell {
namespace {

class SystemPlatform final : public ShellPlatform {
public:
    Core::PayloadSummary LoadPayload(const Core::InstallManifest& manifest) override {
        return Core::PayloadSummary::Load(manifest);
    }

    std::optional<Core::UninstallRegistry::InstalledEntry> FindInstalled(const std::wstring& productId) override {
        // An id that cannot name an entry of its own has none: the wizard then speaks of a first
        // installation instead of ending before its window opens.
        if (!Core::UninstallRegistry::IsEntryName(productId)) return std::nullopt;
        std::optional<Core::UninstallRegistry::InstalledEntry> entry =
            Core::UninstallRegistry::FindInstalled(productId);
        if (entry) entry = Core::UninstallRegistry::WithRecordedScope(std::move(*entry));
        return entry;
    }

    bool RequiresElevation(const std::wstring& installDir) override {
        return Core::Elevation::RequiresElevation(installDir);
    }

    bool RelaunchElevated(std::span<const std::wstring> arguments) override {
        // The copy runs on its own; its handle is closed here, as this process does not wait.
        return Core::Elevation::RelaunchElevated(arguments).has_value();
    }

    std::optional<std::wstring> PickFolder(const std::optional<std::wstring>& title,
                                           const std::optional<std::wstring>& initialPath) override {
        return Ui::FolderDialog::PickFolder(title, initialPath);
    }

    std::int64_t FreeBytesAvailable(const std::wstring& root) override {
        return static_cast<std::int64_t>(FileSystem::FreeBytesAvailable(root));
    }

    void StartThroughShell(const std::wstring& file, const std::optional<std::wstring>& arguments,
                           const std::optional<std::wstring>& workingDirectory) override {
        SHELLEXECUTEINFOW info{};
        info.cbSize = sizeof(info);
        // No error box of the shell's own: a start that is refused or fails is ignored silently.
        info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
        info.lpFile = file.c_str();
        info.lpParameters = arguments ? arguments->c_str() : nullptr;
        info.lpDirectory = workingDirectory ? workingDirectory->c_str() : nullptr;
        info.nShow = SW_SHOWNORMAL;
        ShellExecuteExW(&info);
    }
};

}  // namespace

std::shared_ptr<ShellPlatform> ShellPlatform::System() {
    static const std::shared_ptr<ShellPlatform> platform = std::make_shared<SystemPlatform>();
    return platform;
}

}  // namespace Ravenquill::Shell
