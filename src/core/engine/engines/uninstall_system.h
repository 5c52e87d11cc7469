#pragma once
// What the uninstaller asks of the machine: file and folder removal, the PATH entry, the uninstall
// entry, the roaming application-data folder and the final wait. The engine's rules sit on top of
// it; tests put a recording or failing stand-in underneath. Failures are the exception kinds of
// core/common/errors.h (access denied as UnauthorizedAccessException).
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "core/common/cancellation.h"

namespace Ravenquill::Core {

class UninstallSystem {
public:
    virtual ~UninstallSystem() = default;

    // Clears the attributes and deletes the file; a missing file does nothing, while a missing
    // folder on the way is an input/output failure. A link is deleted as a link.
    virtual void DeleteFileIfExists(const std::wstring& path) = 0;
    // Removes the directory when it holds no entry at all; a missing, non-empty or linked one stays.
    virtual void DeleteDirectoryIfEmpty(const std::wstring& path) = 0;
    // Removes the directory with everything in it, links inside removed as links and never entered.
    virtual void DeleteTree(const std::wstring& path) = 0;
    virtual bool DirectoryExists(const std::wstring& path) = 0;
    // True for a directory that is a junction or a symbolic link.
    virtual bool IsLinkedDirectory(const std::wstring& path) = 0;
    // True when both paths name one existing folder, however differently they spell it (a short
    // name, another route to the same volume).
    virtual bool IsSameDirectory(const std::wstring& a, const std::wstring& b) = 0;

    virtual void RemovePathEntry(const std::wstring& dir, bool machine) = 0;
    // Silent when the entry is missing or cannot be opened for writing.
    virtual void DeleteUninstallEntry(const std::wstring& productId, bool machine) = 0;
    virtual bool UninstallEntryExists(const std::wstring& productId, bool machine) = 0;
    // The install location of a registered installation of the product.
    virtual std::optional<std::wstring> FindInstalledLocation(const std::wstring& productId) = 0;
    // The install location that the product's entry in one hive names, if that hive has one.
    virtual std::optional<std::wstring> InstalledLocationIn(const std::wstring& productId, bool machine) = 0;

    // The current user's roaming application-data folder; none when the system has none.
    virtual std::optional<std::wstring> RoamingAppData() = 0;

    // Waits, ending with OperationCanceledException when the token is cancelled meanwhile.
    virtual void Wait(std::chrono::nanoseconds duration, const CancellationToken& token) = 0;
};

// The machine itself.
std::shared_ptr<UninstallSystem> MachineUninstallSystem();

}  // namespace Ravenquill::Core
