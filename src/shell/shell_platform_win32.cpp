#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "core/common/file_system.h"
#include "shell/installer_window_win32.h"
#include "shell/shell_platform.h"
#include "ui/folder_picker_win32.h"

namespace Ravenquill::Shell {
namespace {

class SystemPlatform final : public ShellPlatform {
public:
    std::optional<std::wstring> PickFolder(const std::optional<std::wstring>& title,
                                           const std::optional<std::wstring>& initialPath) override {
        // Owned by the window the user clicked "Обзор…" in: the installer window of this (UI)
        // thread, or none.
        return Ui::FolderDialog::PickFolder(InstallerWindow::OfThread(GetCurrentThreadId(), false), title, initialPath);
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
