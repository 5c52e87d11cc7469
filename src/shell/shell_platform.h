#pragma once
// What the wizard and its pages ask of the machine, behind one seam: the payload's sizes and an
// existing installation (read once when the wizard is made), the elevation test and relaunch, the
// folder picker, a drive's free space and starting programs through the shell. The start-up installs
// System(); native tests install a fake.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "core/engine/platform/uninstall_registry.h"
#include "core/model/install_manifest.h"
#include "core/payload/payload_summary.h"

namespace Ravenquill::Shell {

class ShellPlatform {
public:
    virtual ~ShellPlatform() = default;

    // Core::PayloadSummary::Load: opens and scans the payload once.
    virtual Core::PayloadSummary LoadPayload(const Core::InstallManifest& manifest) = 0;
    // The registered installation of the product with its scope (its record's where one can be
    // read); none for an id that cannot name an entry.
    virtual std::optional<Core::UninstallRegistry::InstalledEntry> FindInstalled(const std::wstring& productId) = 0;

    // Core::Elevation::RequiresElevation (the write probe).
    virtual bool RequiresElevation(const std::wstring& installDir) = 0;
    // Core::Elevation::RelaunchElevated; true when a process was started (the caller does not
    // wait for it), false when the consent prompt was declined or the start failed.
    [[nodiscard]] virtual bool RelaunchElevated(std::span<const std::wstring> arguments) = 0;

    // The folder picker; none when the user cancels or anything fails. Blocks the UI thread.
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

    // The real machine. In the native build only LoadPayload and FindInstalled (none) work.
    static std::shared_ptr<ShellPlatform> System();
};

}  // namespace Ravenquill::Shell
