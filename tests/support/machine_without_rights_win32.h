#pragma once
// The engines of this machine as a user without administrator rights meets them: the test platform
// always runs elevated, so this answers the rights and the write probe as such a user gets them and
// hands everything else to EngineServices::System().
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/engine/engines/engine_services.h"
#include "core/engine/platform/elevation.h"

namespace Ravenquill::Testing {

class MachineWithoutRights final : public Core::EngineServices {
public:
    bool IsAdministrator() override { return false; }
    bool RequiresElevation(const std::wstring& installDir) override {
        return !Core::Elevation::IsWritableTarget(installDir);
    }

    Core::PayloadSummary LoadPayloadSummary(const Core::InstallManifest& manifest) override {
        return machine_->LoadPayloadSummary(manifest);
    }
    std::optional<Core::UninstallRegistry::InstalledEntry> FindInstalled(const std::wstring& productId) override {
        return machine_->FindInstalled(productId);
    }
    Core::EarlierInstallations FindEarlierInstallations(const std::wstring& productId) override {
        return machine_->FindEarlierInstallations(productId);
    }
    std::optional<Core::FoundInstallation> FindInstallation(const Core::InstallManifest& manifest,
                                                            const std::optional<std::wstring>& explicitDir) override {
        return machine_->FindInstallation(manifest, explicitDir);
    }
    std::unique_ptr<Core::ElevatedCopy> RelaunchElevated(std::span<const std::wstring> arguments) override {
        return machine_->RelaunchElevated(arguments);
    }
    Core::InstallRecord Install(const Core::InstallOptions& options, const Core::EngineEvents& events,
                                Core::InstallEngine::LockHandler onFileLocked, CancellationToken token) override {
        return machine_->Install(options, events, std::move(onFileLocked), std::move(token));
    }
    void Uninstall(const Core::InstallRecord& record, bool keepUserData, const Core::EngineEvents& events,
                   CancellationToken token) override {
        machine_->Uninstall(record, keepUserData, events, std::move(token));
    }
    void ScheduleSelfDelete(const Core::FoundInstallation& found) override { machine_->ScheduleSelfDelete(found); }
    std::vector<Core::LockingProcess> FindProcessesInDirectory(const std::wstring& directory) override {
        return machine_->FindProcessesInDirectory(directory);
    }
    std::vector<Core::LockingProcess> CloseProcesses(std::vector<Core::LockingProcess> processes,
                                                     CancellationToken token) override {
        return machine_->CloseProcesses(std::move(processes), std::move(token));
    }

private:
    std::shared_ptr<Core::EngineServices> machine_ = Core::EngineServices::System();
};

}  // namespace Ravenquill::Testing
