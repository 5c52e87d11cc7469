#include "core/common/errors.h"
#include "engine_runs.h"

namespace Ravenquill::Pages {
namespace {

// The native build carries no installer: nothing is installed here, and nothing to remove is found.
class NativeEngineRuns final : public EngineRuns {
public:
    Core::InstallRecord Install(const Core::InstallOptions&, const EngineEvents&, Core::InstallEngine::LockHandler,
                                CancellationToken) override {
        throw NotSupportedException(L"Installing needs the Windows build.");
    }
    void Uninstall(const Core::InstallRecord&, bool, const EngineEvents&, CancellationToken) override {
        throw NotSupportedException(L"Removing an installation needs the Windows build.");
    }
    std::optional<Core::FoundInstallation> FindInstallation(const Core::InstallManifest&,
                                                            const std::optional<std::wstring>&) override {
        return std::nullopt;
    }
    std::vector<Core::LockingProcess> FindProcessesInDirectory(const std::wstring&) override { return {}; }
    std::vector<Core::LockingProcess> Close(std::vector<Core::LockingProcess>, CancellationToken) override {
        throw NotSupportedException(L"Closing programs needs the Windows build.");
    }
};

}  // namespace

std::shared_ptr<EngineRuns> EngineRuns::System() {
    static const std::shared_ptr<EngineRuns> system = std::make_shared<NativeEngineRuns>();
    return system;
}

}  // namespace Ravenquill::Pages
