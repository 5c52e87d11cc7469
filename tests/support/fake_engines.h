#pragma once
// The engines and the machine around them for native tests of the wizard, its pages and the silent
// run: each answer and each run does what the test sets (by default: no earlier installation, no
// administrator rights, a folder that can be written, a relaunch that starts a copy ending with 0, an installation that
// succeeds at once, a removal that completes, no program running), and every question is written
// down. The lookups, the probe and the relaunch are asked on the UI thread (the wizard's) and read
// there; the runs, which a worker makes, are recorded under a lock with the thread they ran on.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "core/common/cancellation.h"
#include "core/engine/engines/engine_services.h"
#include "core/model/install_record.h"
#include "core/model/locking_process.h"

namespace Ravenquill::Testing {

class FakeEngines final : public Core::EngineServices {
public:
    using InstallBehaviour =
        std::function<Core::InstallRecord(const Core::InstallOptions&, const Core::EngineEvents&,
                                          const Core::InstallEngine::LockHandler&, CancellationToken)>;
    using UninstallBehaviour =
        std::function<void(const Core::InstallRecord&, bool, const Core::EngineEvents&, CancellationToken)>;
    using CloseBehaviour =
        std::function<std::vector<Core::LockingProcess>(const std::vector<Core::LockingProcess>&, CancellationToken)>;
    // The started copy's exit code, or none when no copy starts.
    using RelaunchBehaviour = std::function<std::optional<std::uint32_t>(std::span<const std::wstring>)>;

    // Answers, set before use.
    Core::PayloadSummary Payload;
    std::function<void()> OnLoadPayload = [] {};  // runs before Payload is given; may throw
    std::optional<Core::UninstallRegistry::InstalledEntry> Installed;
    // The installations an update replaces; unset: the one of Installed's hive, without a record.
    std::optional<Core::EarlierInstallations> Earlier;
    std::optional<Core::FoundInstallation> Found;
    bool Administrator = false;         // the test platform runs elevated; most tests need a user
    bool TargetNeedsElevation = false;  // the write probe's answer
    bool RelaunchStarts = true;         // false: the consent prompt was declined
    std::uint32_t ElevatedExitCode = 0;
    RelaunchBehaviour OnRelaunch = [this](std::span<const std::wstring>) -> std::optional<std::uint32_t> {
        if (!RelaunchStarts) return std::nullopt;
        return ElevatedExitCode;
    };
    InstallBehaviour OnInstall = [](const Core::InstallOptions& options, const Core::EngineEvents&,
                                    const Core::InstallEngine::LockHandler&, CancellationToken) {
        Core::InstallRecord record;
        record.ProductName = L"Installed by the fake";
        record.InstallDir = options.InstallDir;
        return record;
    };
    UninstallBehaviour OnUninstall = [](const Core::InstallRecord&, bool, const Core::EngineEvents&,
                                        CancellationToken) {};
    std::function<void(const Core::FoundInstallation&)> OnScheduleSelfDelete = [](const Core::FoundInstallation&) {};
    CloseBehaviour OnClose = [](const std::vector<Core::LockingProcess>&, CancellationToken) {
        return std::vector<Core::LockingProcess>{};
    };
    std::function<std::vector<Core::LockingProcess>(const std::wstring&)> OnFindProcesses = [](const std::wstring&) {
        return std::vector<Core::LockingProcess>{};
    };

    // Questions of the UI thread, in the order asked.
    int PayloadLoads = 0;
    std::vector<std::wstring> InstalledLookups;
    std::vector<std::wstring> EarlierLookups;
    std::vector<std::wstring> ElevationProbes;
    std::vector<std::vector<std::wstring>> Relaunches;

    // What the runs asked for.
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
        // The folder of each self-deletion asked for.
        std::vector<std::wstring> SelfDeletes;
    };
    Calls Recorded() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }

    Core::PayloadSummary LoadPayloadSummary(const Core::InstallManifest&) override {
        ++PayloadLoads;
        OnLoadPayload();
        return Payload;
    }

    std::optional<Core::UninstallRegistry::InstalledEntry> FindInstalled(const std::wstring& productId) override {
        InstalledLookups.push_back(productId);
        return Installed;
    }

    Core::EarlierInstallations FindEarlierInstallations(const std::wstring& productId) override {
        EarlierLookups.push_back(productId);
        if (Earlier) return *Earlier;
        Core::EarlierInstallations found;
        if (Installed)
            found.In(Installed->PerMachine) =
                Core::EarlierInstallation{Installed->InstallLocation, Installed->PerMachine, std::nullopt};
        return found;
    }

    std::optional<Core::FoundInstallation> FindInstallation(const Core::InstallManifest&,
                                                            const std::optional<std::wstring>& explicitDir) override {
        std::lock_guard lock(mutex_);
        calls_.ExplicitDirs.push_back(explicitDir);
        return Found;
    }

    bool IsAdministrator() override { return Administrator; }

    bool RequiresElevation(const std::wstring& installDir) override {
        ElevationProbes.push_back(installDir);
        return TargetNeedsElevation;
    }

    std::unique_ptr<Core::ElevatedCopy> RelaunchElevated(std::span<const std::wstring> arguments) override {
        Relaunches.emplace_back(arguments.begin(), arguments.end());
        const std::optional<std::uint32_t> exitCode = OnRelaunch(arguments);
        if (!exitCode) return nullptr;
        return std::make_unique<FinishedCopy>(*exitCode);
    }

    Core::InstallRecord Install(const Core::InstallOptions& options, const Core::EngineEvents& events,
                                Core::InstallEngine::LockHandler onFileLocked, CancellationToken token) override {
        {
            std::lock_guard lock(mutex_);
            ++calls_.Installs;
            calls_.InstallOptions = options;
            calls_.EngineThread = std::this_thread::get_id();
        }
        return OnInstall(options, events, onFileLocked, token);
    }

    void Uninstall(const Core::InstallRecord& record, bool keepUserData, const Core::EngineEvents& events,
                   CancellationToken token) override {
        {
            std::lock_guard lock(mutex_);
            ++calls_.Uninstalls;
            calls_.KeepUserData = keepUserData;
            calls_.EngineThread = std::this_thread::get_id();
        }
        OnUninstall(record, keepUserData, events, token);
    }

    void ScheduleSelfDelete(const Core::FoundInstallation& found) override {
        {
            std::lock_guard lock(mutex_);
            calls_.SelfDeletes.push_back(found.InstallDir);
        }
        OnScheduleSelfDelete(found);
    }

    std::vector<Core::LockingProcess> FindProcessesInDirectory(const std::wstring& directory) override {
        {
            std::lock_guard lock(mutex_);
            calls_.SearchedDirectories.push_back(directory);
        }
        return OnFindProcesses(directory);
    }

    std::vector<Core::LockingProcess> CloseProcesses(std::vector<Core::LockingProcess> processes,
                                                     CancellationToken token) override {
        {
            std::lock_guard lock(mutex_);
            calls_.Closed.push_back(processes);
            calls_.CloseThreads.push_back(std::this_thread::get_id());
        }
        return OnClose(processes, token);
    }

private:
    class FinishedCopy final : public Core::ElevatedCopy {
    public:
        explicit FinishedCopy(std::uint32_t exitCode) : exitCode_(exitCode) {}
        std::uint32_t WaitForExit() override { return exitCode_; }

    private:
        std::uint32_t exitCode_;
    };

    mutable std::mutex mutex_;
    Calls calls_;
};

// Waits on the run's token; the fake's stand-in for a long engine step or a slow program.
inline void BlockUntilCancelled(CancellationToken token) { Delay(std::chrono::minutes(5), token); }

}  // namespace Ravenquill::Testing
