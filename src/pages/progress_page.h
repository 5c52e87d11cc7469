#pragma once
// The wizard page that runs an installation or a removal inside the window: a spinner, the heading,
// the status with its percentage, the bar, the current item, the journal of the last log lines with
// its link, and "Отмена". On its first frame it starts its run on a thread-pool worker, which keeps
// the page alive until it has shown the result page; one run per page however often it is drawn.
//
// Threads: the status, detail, percentage and journal are written by the worker under the page's
// lock and copied once per frame on the UI thread; the journal toggle and the started flag belong
// to the UI thread; the cancelling flag is written by the UI thread and read by the worker.
#include <atomic>
#include <chrono>
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
#include "shell/page.h"
#include "shell/wizard.h"
#include "ui/canvas.h"
#include "ui/input.h"
#include "ui/rect.h"
#include "ui/theme.h"

namespace Ravenquill::Pages {

class ProgressPage final : public Shell::IPage, public std::enable_shared_from_this<ProgressPage>, private RunReporter {
    struct Passkey {};

public:
    // A live installation (no target) or removal of the target, run with these engines.
    static std::shared_ptr<ProgressPage> Create(Shell::Wizard& wizard, std::shared_ptr<Core::EngineServices> engines,
                                                std::optional<Core::InstallRecord> uninstallTarget);
    // The screenshot mode's page: 46 % into copying "resources\app.asar"; it never runs.
    static std::shared_ptr<ProgressPage> CreatePreview(Shell::Wizard& wizard);

    ProgressPage(Passkey, Shell::Wizard& wizard, std::shared_ptr<Core::EngineServices> engines, bool live,
                 std::optional<Core::InstallRecord> uninstallTarget);

    // The step rail's "Установка" or "Удаление": the step before the last.
    int Step() const override;
    bool Animated() const override { return true; }
    void Draw(Ui::Canvas& canvas, Ui::Input& input) override;

    // The state a frame draws, copied under the page's lock.
    struct Snapshot {
        std::wstring Status;
        std::wstring Detail;  // "" when the engine gave none
        double Percent = 0;
        std::vector<std::wstring> Lines;
    };
    Snapshot TakeSnapshot() const;
    bool Started() const noexcept { return started_; }
    bool Cancelling() const noexcept { return cancelling_; }
    bool ShowLog() const noexcept { return showLog_; }

private:
    void EnsureStarted();
    // The worker's whole life: apartment, run, result page, then the end of the live run.
    void Work(std::optional<Core::InstallOptions> install, bool keepUserData) noexcept;
    void ShowResult(RunOutcome outcome) noexcept;
    // "Отмена": once, however often it is pressed.
    void Cancel();

    void OnProgress(const Core::InstallProgress& progress) override;
    void OnLog(const std::wstring& line) override;
    void OnClosingPrograms() override;

    void DrawSpinner(Ui::Canvas& canvas, const Ui::Rect& r) const;
    void DrawLog(Ui::Canvas& canvas, const Ui::Rect& r, const std::vector<std::wstring>& lines) const;

    Shell::Wizard& wizard_;
    const Ui::Theme theme_;
    const std::shared_ptr<Core::EngineServices> engines_;
    const std::optional<Core::InstallRecord> uninstallTarget_;
    std::stop_source cancel_;
    // The wizard's registry, held so that the worker's last act (Finish, which may let a closing
    // window end the process) never reaches through a wizard that is already gone.
    const std::shared_ptr<Shell::LiveRuns> runs_;
    const std::chrono::steady_clock::time_point clock_ = std::chrono::steady_clock::now();
    std::shared_ptr<Shell::LiveRuns::Entry> live_;

    mutable std::mutex sync_;
    std::wstring status_ = L"Подготовка…";
    std::optional<std::wstring> detail_;
    double percent_ = 0;
    RunJournal journal_;

    bool showLog_ = false;
    bool started_ = false;
    std::atomic<bool> cancelling_ = false;
};

}  // namespace Ravenquill::Pages
