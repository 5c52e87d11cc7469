#include "progress_run.h"

#include <utility>

#include "core/common/errors.h"
#include "core/common/path.h"
#include "pages.h"

namespace Ravenquill::Pages {
namespace {

const wchar_t CloseAndContinue[] = L"Закрыть и продолжить";
const wchar_t Cancel[] = L"Отмена";

// Runs the guarded part of a run: a cancellation of any kind ends as cancelled, every other
// failure, the engine's own InstallFailedException included, as failed with its message.
template <class Body>
RunOutcome Routed(RunResult cancelled, Body&& body) noexcept {
    try {
        return body();
    } catch (const OperationCanceledException&) {
        return {cancelled};
    } catch (...) {
        return RunOutcome::Failed(MessageOf(std::current_exception()));
    }
}

}  // namespace

std::shared_ptr<Shell::IPage> MakeResultPage(Shell::Wizard& wizard, RunOutcome outcome) {
    switch (outcome.Result) {
        case RunResult::Installed:
            return MakeInstalledPage(wizard, std::move(*outcome.Record));
        case RunResult::Uninstalled:
            return MakeUninstalledPage(wizard, *outcome.Record);
        case RunResult::InstallCancelled:
            return MakeInstallCancelledPage(wizard);
        case RunResult::UninstallCancelled:
            return MakeUninstallCancelledPage(wizard);
        case RunResult::Failed:
            break;
    }
    return MakeFailedPage(wizard, std::move(outcome.Message));
}

void DialogAnswer::Give(Shell::Wizard& wizard, bool value) {
    if (claimed_.exchange(true)) return;
    try {
        wizard.CloseDialog();
    } catch (...) {
        promise_.set_value(value);
        throw;
    }
    promise_.set_value(value);
}

bool DialogAnswer::Wait() { return future_.get(); }

ProgressRun::ProgressRun(Shell::Wizard& wizard, Core::EngineServices& engines, RunReporter& reporter,
                         Shell::LiveRuns::Entry& live)
    : wizard_(wizard), engines_(engines), reporter_(reporter), live_(live), token_(live.Cancellation.get_token()) {}

Core::EngineEvents ProgressRun::Events() {
    return {[this](const Core::InstallProgress& p) { reporter_.OnProgress(p); },
            [this](const std::wstring& line) { reporter_.OnLog(line); }};
}

RunOutcome ProgressRun::Install(const Core::InstallOptions& options) {
    return Routed(RunResult::InstallCancelled, [&]() -> RunOutcome {
        if (!EnsureNothingRunsFrom(options.InstallDir,
                                   L"Установка не может заменить файлы, пока приложение работает. "
                                   L"Закройте его, чтобы продолжить."))
            return {RunResult::InstallCancelled};
        Core::InstallRecord record = engines_.Install(
            options, Events(), [this](const Core::FileLockInfo& info) { return OnFileLocked(info); }, token_);
        return {RunResult::Installed, std::move(record)};
    });
}

RunOutcome ProgressRun::Uninstall(const Core::FoundInstallation& target, bool keepUserData) {
    return Routed(RunResult::UninstallCancelled, [&]() -> RunOutcome {
        // The uninstall page promises to offer closing the application: a program still running
        // from the directory would keep its files, and the removal would skip them silently.
        if (!EnsureNothingRunsFrom(target.Record.InstallDir,
                                   L"Удаление не может завершиться, пока приложение работает. "
                                   L"Закройте его, чтобы продолжить."))
            return {RunResult::UninstallCancelled};
        engines_.Uninstall(target.Record, keepUserData, Events(), token_);
        // The uninstaller that runs this window cannot delete itself: as after a silent removal, a
        // command processor does once this process has ended.
        wizard_.ScheduleSelfDeleteOnClose(target);
        return {RunResult::Uninstalled, target.Record};
    });
}

bool ProgressRun::EnsureNothingRunsFrom(const std::wstring& directory, const std::wstring& message) {
    std::vector<Core::LockingProcess> running = engines_.FindProcessesInDirectory(directory);
    if (running.empty()) return true;
    return AskAndClose(wizard_.Manifest->ProductName + L" сейчас запущен", message, std::move(running));
}

Core::FileLockResolution ProgressRun::OnFileLocked(const Core::FileLockInfo& info) {
    const std::wstring name(Path::GetFileName(info.Path()));
    bool ok = false;
    if (!info.Processes().empty()) {
        ok = AskAndClose(
            L"Файл занят приложением",
            L"Файл «" + name + L"» используется другим приложением. Закройте его, чтобы продолжить установку.",
            info.Processes());
    } else {
        ok = Ask(std::make_shared<Shell::Dialog>(L"Файл занят",
                                                 L"Не удаётся записать «" + name +
                                                     L"» — файл используется другой программой. Закройте её и "
                                                     L"повторите попытку.",
                                                 L"Повторить", Cancel));
    }
    return ok ? Core::FileLockResolution::Retry : Core::FileLockResolution::Abort;
}

bool ProgressRun::AskAndClose(std::wstring title, std::wstring message, std::vector<Core::LockingProcess> processes) {
    while (!processes.empty()) {
        auto dialog = std::make_shared<Shell::Dialog>(title, message, CloseAndContinue, Cancel);
        for (const Core::LockingProcess& process : processes) dialog->Items.push_back(process.DisplayName());
        if (!Ask(dialog)) return false;
        reporter_.OnClosingPrograms();
        processes = engines_.CloseProcesses(std::move(processes), token_);
        title = L"Не удалось закрыть";
        message = L"Эти приложения всё ещё работают. Закройте их вручную и повторите.";
    }
    return true;
}

bool ProgressRun::Ask(const std::shared_ptr<Shell::Dialog>& dialog) {
    // "Отмена" on the page was pressed while no question was open: the user wants the run to end.
    ThrowIfCancellationRequested(token_);
    auto answer = std::make_shared<DialogAnswer>();
    Shell::Wizard& wizard = wizard_;
    dialog->OnPrimary = [&wizard, answer] { answer->Give(wizard, true); };
    dialog->OnSecondary = [&wizard, answer] { answer->Give(wizard, false); };
    wizard_.ShowDialog(dialog);
    // After showing: an answer given by a closing window at once must close this very dialog.
    live_.SetPendingAnswer([&wizard, answer] { answer->Give(wizard, false); });
    const bool result = answer->Wait();
    live_.ClearPendingAnswer();
    return result;
}

}  // namespace Ravenquill::Pages
