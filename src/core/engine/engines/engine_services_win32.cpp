// The engines, the elevation and the lookups of this machine.
#include <utility>

#include "core/engine/platform/elevation.h"
#include "core/engine/platform/file_lock_service.h"
#include "engine_services.h"

namespace Ravenquill::Core {
namespace {

class ElevatedProcessCopy final : public ElevatedCopy {
public:
    explicit ElevatedProcessCopy(Elevation::ElevatedProcess process) : process_(std::move(process)) {}
    std::uint32_t WaitForExit() override { return process_.WaitForExit(); }

private:
    Elevation::ElevatedProcess process_;
};

class SystemEngineServices final : public EngineServices {
public:
    PayloadSummary LoadPayloadSummary(const InstallManifest& manifest) override {
        return PayloadSummary::Load(manifest);
    }

    std::optional<UninstallRegistry::InstalledEntry> FindInstalled(const std::wstring& productId) override {
        // An id that cannot name an entry of its own has none: the wizard then speaks of a first
        // installation instead of ending before its window opens.
        if (!UninstallRegistry::IsEntryName(productId)) return std::nullopt;
        return UninstallRegistry::FindInstalled(productId);
    }

    EarlierInstallations FindEarlierInstallations(const std::wstring& productId) override {
        EarlierInstallations found;
        for (const bool perMachine : {true, false})
            if (const auto entry = UninstallRegistry::FindInHive(productId, perMachine))
                found.In(perMachine) = EarlierInstallationOf(*entry, productId);
        return found;
    }

    std::optional<FoundInstallation> FindInstallation(const InstallManifest& manifest,
                                                      const std::optional<std::wstring>& explicitDir) override {
        return UninstallEngine::FindInstallation(manifest, explicitDir);
    }

    bool IsAdministrator() override { return Elevation::IsAdministrator(); }

    bool RequiresElevation(const std::wstring& installDir) override { return Elevation::RequiresElevation(installDir); }

    std::unique_ptr<ElevatedCopy> RelaunchElevated(std::span<const std::wstring> arguments) override {
        std::optional<Elevation::ElevatedProcess> process = Elevation::RelaunchElevated(arguments);
        if (!process) return nullptr;
        return std::make_unique<ElevatedProcessCopy>(std::move(*process));
    }

    InstallRecord Install(const InstallOptions& options, const EngineEvents& events,
                          InstallEngine::LockHandler onFileLocked, CancellationToken token) override {
        InstallEngine engine;
        engine.FileLockHandler = std::move(onFileLocked);
        Subscribe(engine, events);
        return engine.Install(options, std::move(token));
    }

    void Uninstall(const InstallRecord& record, bool keepUserData, const EngineEvents& events,
                   CancellationToken token) override {
        UninstallEngine engine;
        Subscribe(engine, events);
        engine.Uninstall(record, keepUserData, std::move(token));
    }

    void ScheduleSelfDelete(const FoundInstallation& found) override { UninstallEngine::ScheduleSelfDelete(found); }

    std::vector<LockingProcess> FindProcessesInDirectory(const std::wstring& directory) override {
        return FileLockService::FindProcessesInDirectory(directory);
    }

    std::vector<LockingProcess> CloseProcesses(std::vector<LockingProcess> processes,
                                               CancellationToken token) override {
        return FileLockService::CloseAsync(std::move(processes), std::move(token)).get();
    }

private:
    template <class Engine>
    static void Subscribe(Engine& engine, const EngineEvents& events) {
        if (events.Progress)
            engine.Progress.Subscribe([&events](Engine&, const InstallProgress& p) { events.Progress(p); });
        if (events.Log) engine.Log.Subscribe([&events](Engine&, const std::wstring& line) { events.Log(line); });
    }
};

}  // namespace

std::shared_ptr<EngineServices> EngineServices::System() {
    static const std::shared_ptr<EngineServices> system = std::make_shared<SystemEngineServices>();
    return system;
}

}  // namespace Ravenquill::Core
