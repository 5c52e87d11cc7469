#include "app/silent_run.h"

#include <chrono>
#include <cstdio>
#include <utility>

#include "core/common/async.h"
#include "core/common/best_effort.h"
#include "core/common/errors.h"
#include "core/engine/engines/install_engine.h"
#include "core/engine/engines/install_rules.h"
#include "shell/elevation_decision.h"
#include "shell/settings.h"

namespace Ravenquill::SilentRun {
namespace {

// The log of one run. A log that cannot be written costs only the log: the run goes on without it.
class Session {
public:
    explicit Session(std::unique_ptr<LogWriter> writer) : writer_(std::move(writer)) {}

    // The engines raise their log events one at a time, so no lock is needed. Whatever a write
    // fails with, the run has no log from here on: a failure thrown into the engine's log event
    // would end the installation instead (after its clean-up), for the sake of a log line.
    void Log(const std::wstring& line) noexcept {
        if (!writer_) return;
        try {
            writer_->WriteLine(line);
        } catch (...) {
            writer_.reset();
        }
    }

    LogLine Sink() {
        return [this](const std::wstring& line) { Log(line); };
    }

private:
    std::unique_ptr<LogWriter> writer_;
};

std::unique_ptr<LogWriter> OpenLog(const Core::InstallManifest& manifest, LogSource& logSource) {
    std::unique_ptr<LogWriter> writer;
    // A log that cannot be opened leaves the run without one.
    if (!TryBestEffort([&] { writer = logSource.OpenLog(LogFileName(manifest)); })) return nullptr;
    const std::wstring header = HeaderLine(logSource.Now());
    // The header is a write like any other.
    try {
        writer->WriteLine(header);
    } catch (...) {
        return nullptr;
    }
    return writer;
}

// The engine runs on the thread pool while this thread waits for it, as the engines' own
// asynchronous runs do; only its log event is subscribed.
template <class Work>
void RunOnThreadPool(Work work) {
    RunAsync(std::move(work)).get();
}

Core::EngineEvents LogOnly(Session& session) { return {nullptr, session.Sink()}; }

int Install(const std::shared_ptr<const Core::InstallManifest>& manifest, const Core::CommandLineOptions& options,
            Core::EngineServices& engines, Session& session) {
    // Refused before the write probe or a relaunch: the elevated copy would only refuse it too.
    Core::InstallEngine::ThrowIfProductIdUnusable(*manifest);
    const Core::PayloadSummary summary = engines.LoadPayloadSummary(*manifest);
    // An update goes where the earlier installation is, unless the command line says otherwise.
    const Shell::Settings settings = Shell::Settings::FromOptions(
        manifest, options, summary, engines.FindEarlierInstallations(manifest->ProductId), engines.IsAdministrator());
    if (Shell::MustRelaunchElevated(settings, options, engines)) {
        session.Log(L"Требуются права администратора — перезапуск с повышением прав");
        // The elevated copy appends its own lines to the same log; nothing is written here meanwhile.
        const std::unique_ptr<Core::ElevatedCopy> copy = engines.RelaunchElevated(settings.RelaunchArguments(options));
        if (!copy) {
            session.Log(L"Повышение прав отклонено");
            return ExitFailure;
        }
        return static_cast<int>(copy->WaitForExit());
    }
    Core::InstallOptions install = settings.ToInstallOptions();
    install.MinimumDuration = Core::TickDuration::zero();
    const Core::EngineEvents events = LogOnly(session);
    // No locked-file handler: a locked target file fails the installation.
    RunOnThreadPool([&] { engines.Install(install, events, nullptr, {}); });
    return ExitSuccess;
}

int Uninstall(const Core::InstallManifest& manifest, const Core::CommandLineOptions& options,
              Core::EngineServices& engines, Session& session) {
    const std::optional<Core::FoundInstallation> found = engines.FindInstallation(manifest, options.InstallDir);
    if (!found) {
        session.Log(L"Установленная версия не найдена — нечего удалять");
        return ExitSuccess;
    }
    const Core::EngineEvents events = LogOnly(session);
    RunOnThreadPool([&] { engines.Uninstall(found->Record, options.KeepData, events, {}); });
    engines.ScheduleSelfDelete(*found);
    return ExitSuccess;
}

}  // namespace

std::wstring LogFileName(const Core::InstallManifest& manifest) {
    // An id that is no file name is refused by the installation, and the refusal is logged: the
    // log must still be one file in the temporary folder, never one that a '/' or a ".." step
    // puts elsewhere, nor one whose name is too long to be made (cut as a name kept aside is).
    return Core::InstallRules::AsideName(L"Ravenquill-" + Core::InstallRules::ToFileNamePart(manifest.ProductId),
                                         L".log");
}

std::wstring HeaderLine(const Core::OffsetDateTime& now) {
    using namespace std::chrono;
    // Ticks of 100 ns from 0001-01-01 to 1970-01-01.
    constexpr std::int64_t UnixEpochTicks = 621'355'968'000'000'000;
    constexpr std::int64_t TicksPerSecond = 10'000'000;
    const std::int64_t seconds = (now.LocalTicks - UnixEpochTicks) / TicksPerSecond -
                                 ((now.LocalTicks - UnixEpochTicks) % TicksPerSecond < 0 ? 1 : 0);
    const sys_seconds moment{std::chrono::seconds(seconds)};
    const sys_days day = floor<days>(moment);
    const year_month_day date{day};
    const hh_mm_ss time{moment - day};
    wchar_t text[48];
    std::swprintf(text, std::size(text), L"--- %04d-%02u-%02u %02d:%02d:%02d ---", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return text;
}

int Run(const std::shared_ptr<const Core::InstallManifest>& manifest, const Core::CommandLineOptions& options,
        Core::EngineServices& engines, LogSource& logSource) {
    Session session(OpenLog(*manifest, logSource));
    try {
        return options.Uninstall ? Uninstall(*manifest, options, engines, session)
                                 : Install(manifest, options, engines, session);
    } catch (const OperationCanceledException&) {
        return ExitCancelled;
    } catch (const std::exception& e) {
        session.Log(L"ОШИБКА: " + MessageOf(e));
        return ExitFailure;
    }
}

}  // namespace Ravenquill::SilentRun
