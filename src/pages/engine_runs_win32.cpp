#include <utility>

#include "core/engine/platform/file_lock_service.h"
#include "engine_runs.h"

namespace Ravenquill::Pages {
namespace {

class SystemEngineRuns final : public EngineRuns {
public:
    Core::InstallRecord Install(const Core::InstallOptions& options, const EngineEvents& events,
                                Core::InstallEngine::LockHandler onFileLocked, CancellationToken token) override {
        Core::InstallEngine engine;
        engine.FileLockHandler = std::move(onFileLocked);
        Subscribe(engine, events);
        return engine.Install(options, token);
    }

    void Uninstall(const Core::InstallRecord& record, bool keepUserData, const EngineEvents& events,
                   CancellationToken token) override {
        Core::UninstallEngine engine;
        Subscribe(engine, events);
        engine.Uninstall(record, keepUserData, token);
    }

    std::optional<Core::FoundInstallation> FindInstallation(const Core::InstallManifest& manifest,
                                                            const std::optional<std::wstring>& explicitDir) override {
        return Core::UninstallEngine::FindInstallation(manifest, explicitDir);
    }

    std::vector<Core::LockingProcess> FindProcessesInDirectory(const std::wstring& directory) override {
        return Core::FileLockService::FindProcessesInDirectory(directory);
    }

    std::vector<Core::LockingProcess> Close(std::vector<Core::LockingProcess> processes,
                                            CancellationToken token) override {
        return Core::FileLockService::CloseAsync(std::move(processes), token).get();
    }

private:
    template <class Engine>
    static void Subscribe(Engine& engine, const EngineEvents& events) {
        if (events.Progress)
            engine.Progress.Subscribe([&events](Engine&, const Core::InstallProgress& p) { events.Progress(p); });
        if (events.Log) engine.Log.Subscribe([&events](Engine&, const std::wstring& line) { events.Log(line); });
    }
};

}  // namespace

std::shared_ptr<EngineRuns> EngineRuns::System() {
    static const std::shared_ptr<EngineRuns> system = std::make_shared<SystemEngineRuns>();
    return system;
}

}  // namespace Ravenquill::Pages
