#pragma once
// What the wizard's pages ask of the engines and of the file-lock service, behind one seam: the
// progress page's run installs, removes, finds and closes programs through it, and the uninstall
// page looks up the installation with it. EngineRuns::System() is the machine; native tests install
// fakes with ScopedEngineRuns, so a run's routing, questions and cancellation run without Windows.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/common/cancellation.h"
#include "core/engine/engines/install_engine.h"
#include "core/engine/engines/uninstall_engine.h"
#include "core/model/install_manifest.h"
#include "core/model/install_options.h"
#include "core/model/install_progress.h"
#include "core/model/install_record.h"
#include "core/model/locking_process.h"

namespace Ravenquill::Pages {

// The two events of an engine run, raised on whichever thread runs the step.
struct EngineEvents {
    std::function<void(const Core::InstallProgress&)> Progress;
    std::function<void(const std::wstring&)> Log;
};

class EngineRuns {
public:
    virtual ~EngineRuns() = default;

    // The whole installation, blocking (Core::InstallEngine::Install). The events are subscribed,
    // progress first, and the locked-file handler is asked on the calling thread.
    virtual Core::InstallRecord Install(const Core::InstallOptions& options, const EngineEvents& events,
                                        Core::InstallEngine::LockHandler onFileLocked, CancellationToken token) = 0;
    // The whole removal, blocking (Core::UninstallEngine::Uninstall).
    virtual void Uninstall(const Core::InstallRecord& record, bool keepUserData, const EngineEvents& events,
                           CancellationToken token) = 0;

    // Core::UninstallEngine::FindInstallation.
    virtual std::optional<Core::FoundInstallation> FindInstallation(const Core::InstallManifest& manifest,
                                                                    const std::optional<std::wstring>& explicitDir) = 0;
    // Core::FileLockService::FindProcessesInDirectory.
    virtual std::vector<Core::LockingProcess> FindProcessesInDirectory(const std::wstring& directory) = 0;
    // Core::FileLockService::CloseAsync, waited for: the processes still running afterwards.
    virtual std::vector<Core::LockingProcess> Close(std::vector<Core::LockingProcess> processes,
                                                    CancellationToken token) = 0;

    // The engines of this machine. The native build has none: it finds no installation and no
    // program, and refuses to install, remove or close anything.
    static std::shared_ptr<EngineRuns> System();
};

// The engines that the page makers hand to new pages: EngineRuns::System() unless replaced.
// Read on the UI thread when a page is made; a page keeps the engines it was made with.
std::shared_ptr<EngineRuns> CurrentEngineRuns();

// Replaces the current engines for its lifetime (the start-up's tests and the page tests; not
// thread-safe).
class ScopedEngineRuns {
public:
    explicit ScopedEngineRuns(std::shared_ptr<EngineRuns> replacement);
    ~ScopedEngineRuns();
    ScopedEngineRuns(const ScopedEngineRuns&) = delete;
    ScopedEngineRuns& operator=(const ScopedEngineRuns&) = delete;

private:
    std::shared_ptr<EngineRuns> previous_;
};

}  // namespace Ravenquill::Pages
