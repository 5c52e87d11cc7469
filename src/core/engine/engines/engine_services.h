#pragma once
// What the program asks of the engines and of the machine around them, behind one seam: the
// payload's sizes, the installed product and the installation to remove, the write probe and the
// elevated relaunch, the engine runs and the programs that run from a folder. The wizard, its pages
// and the silent run all go through it; EngineServices::System() is the machine itself (Windows
// only), and native tests hand in a fake.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/common/cancellation.h"
#include "core/engine/platform/uninstall_registry.h"
#include "core/model/install_manifest.h"
#include "core/model/install_options.h"
#include "core/model/install_progress.h"
#include "core/model/install_record.h"
#include "core/model/locking_process.h"
#include "core/payload/payload_summary.h"
#include "earlier_installation.h"
#include "install_engine.h"
#include "uninstall_engine.h"

namespace Ravenquill::Core {

// The two events of an engine run, raised on whichever thread runs the step; either may be empty.
struct EngineEvents {
    std::function<void(const InstallProgress&)> Progress;
    std::function<void(const std::wstring&)> Log;
};

// A copy of the program started elevated. Dropping it closes only its handle: the copy runs on.
class ElevatedCopy {
public:
    virtual ~ElevatedCopy() = default;
    // Blocks, without a time limit, until the copy has ended; its exit code.
    virtual std::uint32_t WaitForExit() = 0;
};

class EngineServices {
public:
    virtual ~EngineServices() = default;

    // The payload's sizes per component, outside every component and in total, and its file count:
    // the payload the installer would install is opened and scanned once (PayloadSummary::Load).
    // Empty when there is no payload; a payload that cannot be read fails.
    virtual PayloadSummary LoadPayloadSummary(const InstallManifest& manifest) = 0;
    // The registered installation of the product (UninstallRegistry::FindInstalled: the machine's
    // entry first), for the wording of an update; none for an id that cannot name an entry.
    virtual std::optional<UninstallRegistry::InstalledEntry> FindInstalled(const std::wstring& productId) = 0;
    // The product's installation in each hive (EarlierInstallationOf its entry): what an update in
    // either scope replaces.
    virtual EarlierInstallations FindEarlierInstallations(const std::wstring& productId) = 0;
    // The installation to remove (UninstallEngine::FindInstallation): the record in the explicit
    // directory, else beside the program, else in the registered install location; none when no
    // record is found, a failure when one is there but cannot be read. The record's install
    // directory is the folder it was found in.
    virtual std::optional<FoundInstallation> FindInstallation(const InstallManifest& manifest,
                                                              const std::optional<std::wstring>& explicitDir) = 0;

    // Whether this process runs with administrator rights (Elevation::IsAdministrator, asked of the
    // machine once per process). The wizard's and the silent run's settings take it when they are
    // made.
    virtual bool IsAdministrator() = 0;
    // Whether an installation into the directory needs an elevated process
    // (Elevation::RequiresElevation): never for an administrator, else when no file can be made in
    // the directory or, while it does not exist, in its nearest existing parent (the write probe).
    virtual bool RequiresElevation(const std::wstring& installDir) = 0;
    // Elevation::RelaunchElevated: the started copy, or none when the consent prompt was declined,
    // the start failed or the program's own path is unknown.
    [[nodiscard]] virtual std::unique_ptr<ElevatedCopy> RelaunchElevated(std::span<const std::wstring> arguments) = 0;

    // The whole installation, blocking on the calling thread (InstallEngine::Install). The events
    // are subscribed, progress first; the locked-file handler, when there is one, is asked on the
    // calling thread.
    virtual InstallRecord Install(const InstallOptions& options, const EngineEvents& events,
                                  InstallEngine::LockHandler onFileLocked, CancellationToken token) = 0;
    // The whole removal, blocking on the calling thread (UninstallEngine::Uninstall).
    virtual void Uninstall(const InstallRecord& record, bool keepUserData, const EngineEvents& events,
                           CancellationToken token) = 0;
    // After a silent uninstall: a hidden command processor that, two seconds later, deletes the
    // running "uninstall.exe" in the folder the installation was found in, removes that folder when
    // it is then empty, and then the folders its installation made above it
    // (UninstallEngine::ScheduleSelfDelete). Returns at once.
    virtual void ScheduleSelfDelete(const FoundInstallation& found) = 0;

    // The processes other than this one whose program file lies in the directory or below it
    // (FileLockService::FindProcessesInDirectory); none for a blank path or a missing directory.
    virtual std::vector<LockingProcess> FindProcessesInDirectory(const std::wstring& directory) = 0;
    // Closes the processes one after another, each first through its main window, then by ending
    // its process tree (FileLockService::CloseAsync, waited for): the processes still running
    // afterwards, those that may not be closed among them. A tree that cannot be ended whole and a
    // cancellation fail.
    virtual std::vector<LockingProcess> CloseProcesses(std::vector<LockingProcess> processes,
                                                       CancellationToken token) = 0;

    // Windows: the engines of this machine. The native build has none; its tests hand in fakes.
    static std::shared_ptr<EngineServices> System();
};

}  // namespace Ravenquill::Core
