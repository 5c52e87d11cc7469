#pragma once
// Engines for the pages' native tests: each operation does what the test sets (by default: an
// installation that succeeds at once, a removal that completes, no program running) and is
// recorded, with the thread it ran on.
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/common/cancellation.h"
#include "core/model/install_record.h"
#include "core/model/locking_process.h"
#include "pages/engine_runs.h"

namespace Ravenquill::Pages::Testing {

class FakeEngines final : public EngineRuns {
public:
    using InstallBehaviour = std::function<Core::InstallRecord(
        const Core::InstallOptions&, const EngineEvents&, const Core::InstallEngine::LockHandler&, CancellationToken)>;
    using UninstallBehaviour =
        std::function<void(const Core::InstallRecord&, bool, const EngineEvents&, CancellationToken)>;
    using CloseBehaviour =
        std::function<std::vector<Core::LockingProcess>(const std::vector<Core::LockingProcess>&, CancellationToken)>;

    // Set before the run starts.
    InstallBehaviour OnInstall = [](const Core::InstallOptions& options, const EngineEvents&,
                                    const Core::InstallEngine::LockHandler&, CancellationToken) {
        Core::InstallRecord record;
        record.ProductName = L"Installed by the fake";
        record.InstallDir = options.InstallDir;
        return record;
    };
    UninstallBehaviour OnUninstall = [](const Core::InstallRecord&, bool, const EngineEvents&, CancellationToken) {};
    CloseBehaviour OnClose = [](const std::vector<Core::LockingProcess>&, CancellationToken) {
        return std::vector<Core::LockingProcess>{};
    };
    std::function<std::vector<Core::LockingProcess>(const std::wstring&)> OnFindProcesses = [](const std::wstring&) {
        return std::vector<Core::LockingProcess>{};
    };
    std::optional<Core::FoundInstallation> Found;

    // What the page asked for.
    struct Calls {
        int Installs = 0;
        int Uninstalls = 0;
        std::optional<Core::InstallOptions> InstallOptions;
        std::optional<bool> KeepUserData;
        std::vector<std::wstring> SearchedDirectories;
        std::vector<std::optional<std::wstring>> ExplicitDirs;
        std::vector<std::vector<Core::LockingProcess>> Closed;
        std::vector<std::thread::id> CloseThreads;
        std::optional<std::thread::id> EngineThread;
    };
    Calls Recorded() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }

    Core::InstallRecord Install(const Core::InstallOptions& options, const EngineEvents& events,
                                Core::InstallEngine::LockHandler onFileLocked, CancellationToken token) override {
        {
            std::lock_guard lock(mutex_);
            ++calls_.Installs;
            calls_.InstallOptions = options;
            calls_.EngineThread = std::this_thread::get_id();
        }
        return OnInstall(options, events, onFileLocked, token);
    }

    void Uninstall(const Core::InstallRecord& record, bool keepUserData, const EngineEvents& events,
                   CancellationToken token) override {
        {
            std::lock_guard lock(mutex_);
            ++calls_.Uninstalls;
            calls_.KeepUserData = keepUserData;
            calls_.EngineThread = std::this_thread::get_id();
        }
        OnUninstall(record, keepUserData, events, token);
    }

    std::optional<Core::FoundInstallation> FindInstallation(const Core::InstallManifest&,
                                                            const std::optional<std::wstring>& explicitDir) override {
        std::lock_guard lock(mutex_);
        calls_.ExplicitDirs.push_back(explicitDir);
        return Found;
    }

    std::vector<Core::LockingProcess> FindProcessesInDirectory(const std::wstring& directory) override {
        {
            std::lock_guard lock(mutex_);
            calls_.SearchedDirectories.push_back(directory);
        }
        return OnFindProcesses(directory);
    }

    std::vector<Core::LockingProcess> Close(std::vector<Core::LockingProcess> processes,
                                            CancellationToken token) override {
        {
            std::lock_guard lock(mutex_);
            calls_.Closed.push_back(processes);
            calls_.CloseThreads.push_back(std::this_thread::get_id());
        }
        return OnClose(processes, token);
    }

private:
    mutable std::mutex mutex_;
    Calls calls_;
};

// Waits on the run's token; the fake's stand-in for a long engine step or a slow program.
inline void BlockUntilCancelled(CancellationToken token) { Delay(std::chrono::minutes(5), token); }

}  // namespace Ravenquill::Pages::Testing
