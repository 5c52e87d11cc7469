// The silent run on the machine itself (Windows only, for the elevated relaunch): the log in the
// temporary directory, the engines run to their end, the write probe and the relaunch waited for.
#include "app/silent_log.h"
#include "app/silent_run.h"
#include "core/common/file_system.h"
#include "core/common/path.h"
#include "core/engine/engines/install_engine.h"
#include "core/engine/engines/uninstall_engine.h"
#include "core/engine/platform/elevation.h"
#include "core/engine/platform/uninstall_registry.h"

namespace Ravenquill::SilentRun {
namespace {

class MachineSilentRun final : public SilentMachine {
public:
    std::unique_ptr<LogWriter> OpenLog(const std::wstring& fileName) override {
        return std::make_unique<LogFile>(Path::Combine(FileSystem::TempDirectory(), fileName));
    }
    Core::OffsetDateTime Now() override { return Core::OffsetDateTime::Now(); }

    std::optional<Core::UninstallRegistry::InstalledEntry> FindInstalled(const std::wstring& productId) override {
        std::optional<Core::UninstallRegistry::InstalledEntry> entry =
            Core::UninstallRegistry::FindInstalled(productId);
        if (entry) entry = Core::UninstallRegistry::WithRecordedScope(std::move(*entry));
        return entry;
    }
    Core::PayloadSummary LoadPayloadSummary(const Core::InstallManifest& manifest) override {
        return Core::PayloadSummary::Load(manifest);
    }
    bool RequiresElevation(const std::wstring& installDir) override {
        return Core::Elevation::RequiresElevation(installDir);
    }
    std::optional<std::uint32_t> RelaunchElevatedAndWait(std::span<const std::wstring> arguments) override {
        const std::optional<Core::Elevation::ElevatedProcess> process = Core::Elevation::RelaunchElevated(arguments);
        if (!process) return std::nullopt;
        return process->WaitForExit();
    }
    void Install(const Core::InstallOptions& options, const LogLine& log) override {
        Core::InstallEngine engine;
        engine.Log.Subscribe([&log](Core::InstallEngine&, const std::wstring& line) { log(line); });
        engine.InstallAsync(options).get();
    }

    std::optional<Core::FoundInstallation> FindInstallation(const Core::InstallManifest& manifest,
                                                            const std::optional<std::wstring>& installDir) override {
        return Core::UninstallEngine::FindInstallation(manifest, installDir);
    }
    void Uninstall(const Core::InstallRecord& record, bool keepData, const LogLine& log) override {
        Core::UninstallEngine engine;
        engine.Log.Subscribe([&log](Core::UninstallEngine&, const std::wstring& line) { log(line); });
        engine.UninstallAsync(record, keepData).get();
    }
    void ScheduleSelfDelete(const std::wstring& installDir) override {
        Core::UninstallEngine::ScheduleSelfDelete(installDir);
    }
};

}  // namespace

std::unique_ptr<SilentMachine> SilentMachine::System() { return std::make_unique<MachineSilentRun>(); }

int Run(const std::shared_ptr<const Core::InstallManifest>& manifest, const Core::CommandLineOptions& options) {
    const std::unique_ptr<SilentMachine> machine = SilentMachine::System();
    return Run(manifest, options, *machine);
}

}  // namespace Ravenquill::SilentRun
