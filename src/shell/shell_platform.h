#pragma once
// What the wizard's pages ask of the desktop, behind one seam: the folder picker, a drive's free
// space and starting programs through the shell (the engines, the elevation and the lookups are
// Core::EngineServices). The start-up hands in System(); native tests hand in a fake.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace Ravenquill::Shell {

class ShellPlatform {
public:
    virtual ~ShellPlatform() = default;

    // The folder picker, modal to the installer window; none when the user cancels or anything
    // fails. Returns when the picker closes; the UI thread dispatches its messages meanwhile.
    virtual std::optional<std::wstring> PickFolder(const std::optional<std::wstring>& title,
                                                   const std::optional<std::wstring>& initialPath) = 0;
    // Bytes available to the caller on the drive of the root path. Failures are raised as the
    // platform words them (ArgumentException, IOException kinds, UnauthorizedAccessException, ...).
    virtual std::int64_t FreeBytesAvailable(const std::wstring& root) = 0;
    // Starts a file, URL or program through the shell, in the working directory when one is given
    // (the installed program starts in its install directory); a refused start is ignored without
    // a message.
    virtual void StartThroughShell(const std::wstring& file, const std::optional<std::wstring>& arguments,
                                   const std::optional<std::wstring>& workingDirectory) = 0;

    // Windows: the desktop itself.
    static std::shared_ptr<ShellPlatform> System();
};

}  // namespace Ravenquill::Shell
