#include "progress_worker.h"

#include <utility>

#include "core/common/async.h"
#include "core/common/errors.h"
#include "pages.h"
#include "worker_apartment.h"

namespace Ravenquill::Pages {
namespace {

// The one guard of the worker's life: runs the step and gives the message of whatever it failed
// with, nothing when it succeeded. Nothing may leave the worker's thread, and a run that cannot
// start ends on the failed page like any run that fails.
template <class Step>
std::optional<std::wstring> FailureOf(Step&& step) noexcept {
    try {
        step();
        return std::nullopt;
    } catch (...) {
        return MessageOf(std::current_exception());
    }
}

}  // namespace

ProgressWorker::ProgressWorker(Shell::Wizard& wizard, std::shared_ptr<Core::EngineServices> engines,
                               std::optional<Core::FoundInstallation> uninstallTarget)
    : wizard_(wizard), engines_(std::move(engines)), uninstallTarget_(std::move(uninstallTarget)), runs_(wizard.Runs) {}

void ProgressWorker::Start(std::shared_ptr<const void> owner) {
    if (started_) return;
    started_ = true;
    std::optional<std::wstring> failure = FailureOf([&] {
        // What the run needs of the wizard is read here, on the UI thread that owns the settings
        // and the keep-data flag, so the worker never reads them while a page could write them.
        std::optional<Core::InstallOptions> install;
        if (!uninstallTarget_) install = wizard_.Settings.ToInstallOptions();
        const bool keepUserData = wizard_.Options.KeepData;
        live_ = runs_->Start(cancel_);
        QueueOnThreadPool([this, owner = std::move(owner), install = std::move(install), keepUserData]() mutable {
            Work(std::move(install), keepUserData);
        });
    });
    if (!failure) return;
    // Nothing runs: the run ends here, on the failed result page.
    if (live_) runs_->Finish(live_);
    ShowResult(RunOutcome::Failed(std::move(*failure)));
}

void ProgressWorker::Preset(std::wstring status, std::wstring detail, double percent) {
    started_ = true;
    std::lock_guard lock(sync_);
    status_ = std::move(status);
    detail_ = std::move(detail);
    percent_ = percent;
}

void ProgressWorker::Work(std::optional<Core::InstallOptions> install, bool keepUserData) noexcept {
    {
        RunOutcome outcome;
        // The apartment lasts until the result page is shown.
        std::optional<WorkerApartment> apartment;
        std::optional<std::wstring> failure = FailureOf([&] {
            apartment.emplace();
            ProgressRun run(wizard_, *engines_, *this, *live_);
            outcome = install ? run.Install(*install) : run.Uninstall(*uninstallTarget_, keepUserData);
        });
        if (failure) outcome = RunOutcome::Failed(std::move(*failure));
        ShowResult(std::move(outcome));
    }
    // Last: a window that waits for its runs before the process ends waits for this.
    runs_->Finish(live_);
}

void ProgressWorker::ShowResult(RunOutcome outcome) noexcept {
    const std::optional<std::wstring> failure =
        FailureOf([&] { wizard_.Show(MakeResultPage(wizard_, std::move(outcome))); });
    if (!failure) return;
    // The failed page instead; when not even that can be made, the page stays, and the window can
    // still close.
    FailureOf([&] { wizard_.Show(MakeFailedPage(wizard_, *failure)); });
}

void ProgressWorker::Cancel() {
    if (cancelling_.exchange(true)) return;
    {
        std::lock_guard lock(sync_);
        status_ = L"Отмена…";
    }
    cancel_.request_stop();
}

ProgressWorker::Snapshot ProgressWorker::TakeSnapshot() const {
    std::lock_guard lock(sync_);
    return {status_, detail_.value_or(L""), percent_, journal_.Lines()};
}

void ProgressWorker::OnProgress(const Core::InstallProgress& progress) {
    {
        std::lock_guard lock(sync_);
        percent_ = progress.Fraction() * 100;
        if (!cancelling_) status_ = progress.Status();
        detail_ = progress.Detail();
    }
    wizard_.RequestRedraw();
}

void ProgressWorker::OnLog(const std::wstring& line) {
    {
        std::lock_guard lock(sync_);
        journal_.Append(line);
    }
    wizard_.RequestRedraw();
}

void ProgressWorker::OnClosingPrograms() {
    {
        std::lock_guard lock(sync_);
        status_ = L"Закрываем приложения…";
    }
    wizard_.RequestRedraw();
}

}  // namespace Ravenquill::Pages
