#pragma once
// One run of the progress page, whole: what it does (a request read on the UI thread when it
// starts), its life on a thread-pool task, which holds it until it has shown its result page,
// what the page shows of it (a snapshot copied once per frame) and the questions it asks through
// the wizard's dialogs (programs running from the target, locked files). The engines are reached
// through the engine seam; the dialogs' buttons run on the UI thread and only complete the answer
// the run waits for, so the run's own code never runs there. Whatever the run fails with ends on
// the failed result page, at the task's boundary.
//
// Threads: the snapshot is written by the run (and the engines' events) under the lock and copied
// on the UI thread; starting belongs to the UI thread; cancelling may come from either.
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "core/engine/engines/engine_services.h"
#include "core/model/file_lock_info.h"
#include "core/model/install_options.h"
#include "core/model/install_progress.h"
#include "core/model/locking_process.h"
#include "run_journal.h"
#include "shell/dialog.h"
#include "shell/live_runs.h"
#include "shell/page.h"
#include "shell/wizard.h"

namespace Ravenquill::Pages {

class ProgressRun final : public std::enable_shared_from_this<ProgressRun> {
    struct Passkey {};

public:
    // What a run does, read from the wizard on the UI thread when it starts.
    struct Request {
        // The removal of this installation; none: an installation with Install.
        std::optional<Core::FoundInstallation> Uninstall;
        Core::InstallOptions Install;
        bool KeepUserData = false;

        // The wizard's settings, or the removal of the target with the uninstall page's choice.
        static Request Of(const Shell::Wizard& wizard, const std::optional<Core::FoundInstallation>& uninstallTarget);
    };

    // The state a frame draws.
    struct Snapshot {
        std::wstring Status;
        std::wstring Detail;  // "" when the engine gave none
        double Percent = 0;
        std::vector<std::wstring> Lines;
    };

    static std::shared_ptr<ProgressRun> Create(Shell::Wizard& wizard, std::shared_ptr<Core::EngineServices> engines);
    // A state that never runs (the screenshot mode's page): shown as given, and never started.
    static std::shared_ptr<ProgressRun> Preview(Shell::Wizard& wizard, std::wstring status, std::wstring detail,
                                                double percent);
    ProgressRun(Passkey, Shell::Wizard& wizard, std::shared_ptr<Core::EngineServices> engines);

    // On the UI thread, once however often it is called: registers the run with the wizard's live
    // runs and starts it on the thread pool. A run that cannot start ends at once on the failed
    // result page.
    void Start(Request request);
    // "Отмена": once, however often it is pressed; before the start it cancels the run to come.
    void Cancel();

    Snapshot TakeSnapshot() const;
    bool Started() const noexcept { return started_; }
    bool Cancelling() const noexcept { return cancelling_; }

private:
    // The task: the run in its COM apartment up to its result page, then the end of the live run.
    void Work(const Request& request) noexcept;
    // The failed page for a failure (the page stays when not even that can be shown); then the live
    // run ends. Last: a window that waits for its runs before the process ends waits for this.
    void End(const std::exception_ptr& failure) noexcept;
    // The result page of the run, which asks first about programs running from the target.
    std::shared_ptr<Shell::IPage> Install(const Core::InstallOptions& options);
    std::shared_ptr<Shell::IPage> Uninstall(const Core::FoundInstallation& target, bool keepUserData);

    // True when nothing runs from the directory, or the user had every such program closed.
    bool EnsureNothingRunsFrom(const std::wstring& directory, const std::wstring& message);
    // The engine's locked-file question.
    Core::FileLockResolution OnFileLocked(const Core::FileLockInfo& info);
    // Offers to close the programs until none survives (true) or the user refuses (false).
    bool AskAndClose(std::wstring title, std::wstring message, std::vector<Core::LockingProcess> processes);
    // Shows the dialog and waits for its answer: true for the primary button. A run already
    // cancelled asks nothing and ends as cancelled.
    bool Ask(const std::shared_ptr<Shell::Dialog>& dialog);

    Core::EngineEvents Events();
    void OnProgress(const Core::InstallProgress& progress);
    void OnLog(const std::wstring& line);
    // The status says so until the next progress report.
    void SetStatus(std::wstring status);

    Shell::Wizard& wizard_;
    const std::shared_ptr<Core::EngineServices> engines_;
    std::stop_source cancel_;
    // The wizard's registry, held so that the run's last act (which may let a closing window end
    // the process) never reaches through a wizard that is already gone.
    const std::shared_ptr<Shell::LiveRuns> runs_;
    std::shared_ptr<Shell::LiveRuns::Entry> live_;

    mutable std::mutex sync_;
    std::wstring status_ = L"Подготовка…";
    std::optional<std::wstring> detail_;
    double percent_ = 0;
    RunJournal journal_;

    bool started_ = false;
    std::atomic<bool> cancelling_ = false;
};

}  // namespace Ravenquill::Pages
