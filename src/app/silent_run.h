#pragma once
// The non-interactive mode: installs with the choices of the command line and the manifest, or
// uninstalls, without a window or a console; reports through a log file in the temporary directory
// and through the exit code (0 done or nothing to remove, 1 failed or elevation refused, 1223
// cancelled, or the elevated copy's own code). The decisions are here; the engines, the elevation
// and the lookups are behind Core::EngineServices and the log file behind LogSource, which tests
// replace.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/engine/engines/engine_services.h"
#include "core/model/command_line_options.h"
#include "core/model/install_manifest.h"
#include "core/model/offset_date_time.h"

namespace Ravenquill::SilentRun {

inline constexpr int ExitSuccess = 0;
inline constexpr int ExitFailure = 1;
// ERROR_CANCELLED: the run ended with a cancellation.
inline constexpr int ExitCancelled = 1223;

using LogLine = std::function<void(const std::wstring& line)>;

// The open log: one line per call, written whole.
class LogWriter {
public:
    virtual ~LogWriter() = default;
    virtual void WriteLine(const std::wstring& line) = 0;
};

// Where the run's log comes from: the file and the clock for its header line. Not an engine call,
// so it stays the silent run's own seam.
class LogSource {
public:
    virtual ~LogSource() = default;

    // The log file of that name in the temporary directory, opened for appending. Failures are
    // raised; input/output and access-denied ones cost only the log.
    virtual std::unique_ptr<LogWriter> OpenLog(const std::wstring& fileName) = 0;
    virtual Core::OffsetDateTime Now() = 0;

    // Windows: the temporary directory and the clock of this machine.
    static std::unique_ptr<LogSource> System();
};

// "Ravenquill-" + product id + ".log", each character that no file name may hold replaced by '_'.
std::wstring LogFileName(const Core::InstallManifest& manifest);
// "--- yyyy-MM-dd HH:mm:ss ---" in the moment's local time.
std::wstring HeaderLine(const Core::OffsetDateTime& now);

// The whole silent mode: the log opened and headed, the uninstall when the command line asks for
// it, else the install; every failure logged as "ОШИБКА: " + its message (1), a cancellation
// unlogged (1223); the log closed in every case.
int Run(const std::shared_ptr<const Core::InstallManifest>& manifest, const Core::CommandLineOptions& options,
        Core::EngineServices& engines, LogSource& logSource);
// Windows: the same on the machine itself.
int Run(const std::shared_ptr<const Core::InstallManifest>& manifest, const Core::CommandLineOptions& options);

}  // namespace Ravenquill::SilentRun
