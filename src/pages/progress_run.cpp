#include "progress_run.h"

#include <exception>
#include <future>
#include <utility>

#include "core/common/async.h"
#include "core/common/errors.h"
#include "core/common/path.h"
#include "pages.h"
#include "worker_apartment.h"

namespace Ravenquill::Pages {
namespace {

const wchar_t CloseAndContinue[] = L"Закрыть и продолжить";
const wchar_t CancelLabel[] = L"Отмена";

// The answer to one question, given once by whichever comes first: one of the dialog's buttons or
// the closing window. Later attempts do nothing.
class DialogAnswer {
public:
    // Closes the dialog, then completes the answer; nothing when the answer was already given. The
    // dialog is closed first so that the woken run's next question is never closed with it.
    void Give(Shell::Wizard& wizard, bool value) {
        if (claimed_.exchange(true)) return;
        try {
            wizard.CloseDialog();
        } catch (...) {
            promise_.set_value(value);
            throw;
        }
        promise_.set_value(value);
    }
    // Blocks the run until the answer is given.
    bool Wait() { return future_.get(); }

private:
    std::atomic<bool> claimed_ = false;
    std::promise<bool> promise_;
    std::future<bool> future_ = promise_.get_future();
};

}  // namespace

ProgressRun::Request ProgressRun::Request::Of(const Shell::Wizard& wizard,
                                              const std::optional<Core::FoundInstallation>& uninstallTarget) {
    Request request;
    request.Uninstall = uninstallTarget;
    if (!uninstallTarget) request.Install = wizard.Settings.ToInstallOptions();
    request.KeepUserData = wizard.Options.KeepData;
    return request;
}

std::shared_ptr<ProgressRun> ProgressRun::Create(Shell::Wizard& wizard, std::shared_ptr<Core::EngineServices> engines) {
    return std::make_shared<ProgressRun>(Passkey{}, wizard, std::move(engines));
}

std::shared_ptr<ProgressRun> ProgressRun::Preview(Shell::Wizard& wizard, std::wstring status, std::wstring detail,
                                                  double percent) {
    auto run = Create(wizard, nullptr);
    run->started_ = true;
    run->status_ = std::move(status);
    run->detail_ = std::move(detail);
    run->percent_ = percent;
    return run;
}

ProgressRun::ProgressRun(Passkey, Shell::Wizard& wizard, std::shared_ptr<Core::EngineServices> engines)
    : wizard_(wizard), engines_(std::move(engines)), runs_(wizard.Runs) {}

void ProgressRun::Start(Request request) {
    if (started_) return;
    started_ = true;
    try {
        live_ = runs_->Start(cancel_);
        QueueOnThreadPool(
            [self = shared_from_this(), request = std::move(request)]() noexcept { self->Work(request); });
    } catch (...) {
        // Nothing runs: the run ends here, on the failed result page.
        End(std::current_exception());
    }
}

void ProgressRun::Work(const Request& request) noexcept {
    std::exception_ptr failure;
    {
        // The apartment lasts until the result page is shown.
        std::optional<WorkerApartment> apartment;
        try {
            apartment.emplace();
            wizard_.Show(request.Uninstall ? Uninstall(*request.Uninstall, request.KeepUserData)
                                           : Install(request.Install));
        } catch (...) {
            failure = std::current_exception();
        }
    }
    End(failure);
}

void ProgressRun::End(const std::exception_ptr& failure) noexcept {
    if (failure) {
        try {
            wizard_.Show(MakeFailedPage(wizard_, MessageOf(failure)));
        } catch (...) {
            // Not even the failed page: the page stays, and the window can still close.
        }
    }
    if (live_) runs_->Finish(live_);
}

std::shared_ptr<Shell::IPage> ProgressRun::Install(const Core::InstallOptions& options) {
    try {
        if (!EnsureNothingRunsFrom(options.InstallDir,
                                   L"Установка не может заменить файлы, пока приложение работает. "
                                   L"Закройте его, чтобы продолжить."))
            return MakeInstallCancelledPage(wizard_);
        Core::InstallRecord record = engines_->Install(
            options, Events(), [this](const Core::FileLockInfo& info) { return OnFileLocked(info); },
            cancel_.get_token());
        return MakeInstalledPage(wizard_, std::move(record));
    } catch (const OperationCanceledException&) {
        return MakeInstallCancelledPage(wizard_);
    }
}

std::shared_ptr<Shell::IPage> ProgressRun::Uninstall(const Core::FoundInstallation& target, bool keepUserData) {
    try {
        // The uninstall page promises to offer closing the application: a program still running
        // from the directory would keep its files, and the removal would skip them silently.
        if (!EnsureNothingRunsFrom(target.Record.InstallDir,
                                   L"Удаление не может завершиться, пока приложение работает. "
                                   L"Закройте его, чтобы продолжить."))
            return MakeUninstallCancelledPage(wizard_);
        engines_->Uninstall(target.Record, keepUserData, Events(), cancel_.get_token());
    } catch (const OperationCanceledException&) {
        return MakeUninstallCancelledPage(wizard_);
    }
    // The uninstaller that runs this window cannot delete itself: as after a silent removal, a
    // command processor does once this process has ended.
    wizard_.ScheduleSelfDeleteOnClose(target);
    return MakeUninstalledPage(wizard_, target.Record);
}

bool ProgressRun::EnsureNothingRunsFrom(const std::wstring& directory, const std::wstring& message) {
    std::vector<Core::LockingProcess> running = engines_->FindProcessesInDirectory(directory);
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
                                                 L"Повторить", CancelLabel));
    }
    return ok ? Core::FileLockResolution::Retry : Core::FileLockResolution::Abort;
}

bool ProgressRun::AskAndClose(std::wstring title, std::wstring message, std::vector<Core::LockingProcess> processes) {
    while (!processes.empty()) {
        auto dialog = std::make_shared<Shell::Dialog>(title, message, CloseAndContinue, CancelLabel);
        for (const Core::LockingProcess& process : processes) dialog->Items.push_back(process.DisplayName());
        if (!Ask(dialog)) return false;
        SetStatus(L"Закрываем приложения…");
        processes = engines_->CloseProcesses(std::move(processes), cancel_.get_token());
        title = L"Не удалось закрыть";
        message = L"Эти приложения всё ещё работают. Закройте их вручную и повторите.";
    }
    return true;
}

bool ProgressRun::Ask(const std::shared_ptr<Shell::Dialog>& dialog) {
    // "Отмена" on the page was pressed while no question was open: the user wants the run to end.
    ThrowIfCancellationRequested(cancel_.get_token());
    auto answer = std::make_shared<DialogAnswer>();
    Shell::Wizard& wizard = wizard_;
    dialog->OnPrimary = [&wizard, answer] { answer->Give(wizard, true); };
    dialog->OnSecondary = [&wizard, answer] { answer->Give(wizard, false); };
    wizard_.ShowDialog(dialog);
    // After showing: an answer given by a closing window at once must close this very dialog.
    live_->SetPendingAnswer([&wizard, answer] { answer->Give(wizard, false); });
    const bool result = answer->Wait();
    live_->ClearPendingAnswer();
    return result;
}

void ProgressRun::Cancel() {
    if (cancelling_.exchange(true)) return;
    {
        // Pressed on the UI thread, whose frame shows it: no redraw to ask for.
        std::lock_guard lock(sync_);
        status_ = L"Отмена…";
    }
    cancel_.request_stop();
}

ProgressRun::Snapshot ProgressRun::TakeSnapshot() const {
    std::lock_guard lock(sync_);
    return {status_, detail_.value_or(L""), percent_, journal_.Lines()};
}

Core::EngineEvents ProgressRun::Events() {
    return {[this](const Core::InstallProgress& p) { OnProgress(p); },
            [this](const std::wstring& line) { OnLog(line); }};
}

void ProgressRun::OnProgress(const Core::InstallProgress& progress) {
    {
        std::lock_guard lock(sync_);
        percent_ = progress.Fraction() * 100;
        if (!cancelling_) status_ = progress.Status();
        detail_ = progress.Detail();
    }
    wizard_.RequestRedraw();
}

void ProgressRun::OnLog(const std::wstring& line) {
    {
        std::lock_guard lock(sync_);
        journal_.Append(line);
    }
    wizard_.RequestRedraw();
}

void ProgressRun::SetStatus(std::wstring status) {
    {
        std::lock_guard lock(sync_);
        status_ = std::move(status);
    }
    wizard_.RequestRedraw();
}

}  // namespace Ravenquill::Pages
