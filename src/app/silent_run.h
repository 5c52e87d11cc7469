#pragma once
// The non-interactive mode: installs with the choices of the command line and the manifest, or
// uninstalls, without a window or a console; reports through a log file in the temporary directory
// and through the exit code (0 done or nothing to remove, 1 failed or elevation refused, 1223
// cancelled, or the elevated copy's own code). The decisions are here; the machine, the engines and
// the log file are behind SilentMachine, which tests replace.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/engine/engines/uninstall_engine.h"
#include "core/engine/platform/uninstall_registry.h"
#include "core/model/command_line_options.h"
#include "core/model/install_manifest.h"
#include "core/model/install_options.h"
#include "core/model/offset_date_time.h"
#include "core/payload/payload_summary.h"

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

class SilentMachine {
public:
    virtual ~SilentMachine() = default;

    // The log file of that name in the temporary directory, opened for appending. Failures are
    // raised; input/output and access-denied ones cost only the log.
    virtual std::unique_ptr<LogWriter> OpenLog(const std::wstring& fileName) = 0;
    virtual Core::OffsetDateTime Now() = 0;

    // The product's installation in the system's list of installed programs, with its scope
    // (Core::UninstallRegistry::FindInstalled, the scope read from its record).
    virtual std::optional<Core::UninstallRegistry::InstalledEntry> FindInstalled(const std::wstring& productId) = 0;
    // Core::PayloadSummary::Load.
    virtual Core::PayloadSummary LoadPayloadSummary(const Core::InstallManifest& manifest) = 0;
    // Core::Elevation::RequiresElevation (the write probe).
    virtual bool RequiresElevation(const std::wstring& installDir) = 0;
    // Starts the program again elevated and waits for it without a time limit: its exit code, or
    // nothing when no process was started (consent declined, own path unknown).
    [[nodiscard]] virtual std::optional<std::uint32_t> RelaunchElevatedAndWait(
        std::span<const std::wstring> arguments) = 0;
    // An install engine run to its end on these options, its log lines passed on.
    virtual void Install(const Core::InstallOptions& options, const LogLine& log) = 0;

    // Core::UninstallEngine::FindInstallation.
    virtual std::optional<Core::FoundInstallation> FindInstallation(const Core::InstallManifest& manifest,
                                                                    const std::optional<std::wstring>& installDir) = 0;
    // An uninstall engine run to its end, its log lines passed on.
    virtual void Uninstall(const Core::InstallRecord& record, bool keepData, const LogLine& log) = 0;
    // Core::UninstallEngine::ScheduleSelfDelete.
    virtual void ScheduleSelfDelete(const std::wstring& installDir) = 0;

    // Windows: the machine itself.
    static std::unique_ptr<SilentMachine> System();
};

// "Ravenquill-" + product id + ".log", each character that no file name may hold replaced by '_'.
std::wstring LogFileName(const Core::InstallManifest& manifest);
// "--- yyyy-MM-dd HH:mm:ss ---" in the moment's local time.
std::wstring HeaderLine(const Core::OffsetDateTime& now);

// The whole silent mode: the log opened and headed, the uninstall when the command line asks for
// it, else the install; every failure logged as "ОШИБКА: " + its message (1), a cancellation
// unlogged (1223); the log closed in every case.
int Run(const std::shared_ptr<const Core::InstallManifest>& manifest, const Core::CommandLineOptions& options,
        SilentMachine& machine);
// Windows: the same on the machine itself.
int Run(const std::shared_ptr<const Core::InstallManifest>& manifest, const Core::CommandLineOptions& options);

}  // namespace Ravenquill::SilentRun
