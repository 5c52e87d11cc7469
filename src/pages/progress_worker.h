#pragma once
// The life of a progress page's run, beside the page that draws it: the start on a thread-pool
// worker (once), the run in its COM apartment, the routing of its outcome to the result page, and
// the reporter that keeps what the page shows. The worker holds the page alive until it has shown
// the result page; its last act ends the live run.
//
// Threads: the status, detail, percentage and journal are written by the worker under the lock and
// copied once per frame on the UI thread; the started flag belongs to the UI thread; the
// cancelling flag is written by the UI thread and read by the worker.
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "core/engine/engines/engine_services.h"
#include "core/model/install_options.h"
#include "core/model/install_record.h"
#include "progress_run.h"
#include "run_journal.h"
#include "shell/live_runs.h"
#include "shell/wizard.h"

namespace Ravenquill::Pages {

class ProgressWorker final : private RunReporter {
public:
    // The state a frame draws, copied under the lock.
    struct Snapshot {
        std::wstring Status;
        std::wstring Detail;  // "" when the engine gave none
        double Percent = 0;
        std::vector<std::wstring> Lines;
    };

    // A removal of the target, or an installation with the wizard's settings when there is none.
    ProgressWorker(Shell::Wizard& wizard, std::shared_ptr<Core::EngineServices> engines,
                   std::optional<Core::FoundInstallation> uninstallTarget);

    // On the UI thread, once however often it is called: reads what the run needs of the wizard and
    // starts the worker, which holds the owner (the page this worker belongs to) until it has shown
    // the result page. A run that cannot start ends at once on the failed result page.
    void Start(std::shared_ptr<const void> owner);
    // A state that never runs (the screenshot mode's page): shown as given, and never started.
    void Preset(std::wstring status, std::wstring detail, double percent);
    // "Отмена": once, however often it is pressed.
    void Cancel();

    Snapshot TakeSnapshot() const;
    bool Started() const noexcept { return started_; }
    bool Cancelling() const noexcept { return cancelling_; }

private:
    // The worker's whole life: apartment, run, result page, then the end of the live run.
    void Work(std::optional<Core::InstallOptions> install, bool keepUserData) noexcept;
    void ShowResult(RunOutcome outcome) noexcept;

    void OnProgress(const Core::InstallProgress& progress) override;
    void OnLog(const std::wstring& line) override;
    void OnClosingPrograms() override;

    Shell::Wizard& wizard_;
    const std::shared_ptr<Core::EngineServices> engines_;
    const std::optional<Core::FoundInstallation> uninstallTarget_;
    std::stop_source cancel_;
    // The wizard's registry, held so that the worker's last act (Finish, which may let a closing
    // window end the process) never reaches through a wizard that is already gone.
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
