// The silent run on the machine itself (Windows only, for the elevated relaunch): the log in the
// temporary directory and the machine's engines.
#include "app/silent_log.h"
#include "app/silent_run.h"
#include "core/common/file_system.h"
#include "core/common/path.h"

namespace Ravenquill::SilentRun {
namespace {

class TemporaryFolderLog final : public LogSource {
public:
    std::unique_ptr<LogWriter> OpenLog(const std::wstring& fileName) override {
        return std::make_unique<LogFile>(Path::Combine(FileSystem::TempDirectory(), fileName));
    }
    Core::OffsetDateTime Now() override { return Core::OffsetDateTime::Now(); }
};

}  // namespace

std::unique_ptr<LogSource> LogSource::System() { return std::make_unique<TemporaryFolderLog>(); }

int Run(const std::shared_ptr<const Core::InstallManifest>& manifest, const Core::CommandLineOptions& options) {
    const std::unique_ptr<LogSource> logSource = LogSource::System();
    return Run(manifest, options, *Core::EngineServices::System(), *logSource);
}

}  // namespace Ravenquill::SilentRun
