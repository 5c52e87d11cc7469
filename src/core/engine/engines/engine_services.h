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

    // PayloadSummary::Load: opens and scans the payload once.
    virtual PayloadSummary LoadPayloadSummary(const InstallManifest& manifest) = 0;
    // The registered installation of the product (UninstallRegistry::FindInstalled: the machine's
    // entry first), for the wording of an update; none for an id that cannot name an entry.
    virtual std::optional<UninstallRegistry::InstalledEntry> FindInstalled(const std::wstring& productId) = 0;
    // The product's installation in each hive (EarlierInstallationOf its entry): what an update in
    // either scope replaces.
    virtual EarlierInstallations FindEarlierInstallations(const std::wstring& productId) = 0;
    // UninstallEngine::FindInstallation.
    virtual std::optional<FoundInstallation> FindInstallation(const InstallManifest& manifest,
                                                              const std::optional<std::wstring>& explicitDir) = 0;

    // Whether this process runs with administrator rights (Elevation::IsAdministrator, asked of the
    // machine once per process). The wizard's and the silent run's settings take it when they are
    // made.
    virtual bool IsAdministrator() = 0;
    // Elevation::RequiresElevation (the write probe).
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
    // UninstallEngine::ScheduleSelfDelete of the installation just removed: the folder it was found
    // in, then the folders its installation made above that one.
    virtual void ScheduleSelfDelete(const FoundInstallation& found) = 0;

    // FileLockService::FindProcessesInDirectory.
    virtual std::vector<LockingProcess> FindProcessesInDirectory(const std::wstring& directory) = 0;
    // FileLockService::CloseAsync, waited for: the processes still running afterwards.
    virtual std::vector<LockingProcess> Close(std::vector<LockingProcess> processes, CancellationToken token) = 0;

    // Windows: the engines of this machine. The native build has none; its tests hand in fakes.
    static std::shared_ptr<EngineServices> System();
};

}  // namespace Ravenquill::Core
