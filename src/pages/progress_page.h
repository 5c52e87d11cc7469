#pragma once
// The wizard page that runs an installation or a removal inside the window: a spinner, the heading,
// the status with its percentage, the bar, the current item, the journal of the last log lines with
// its link, and "Отмена". On its first frame it starts its run (ProgressRun) with what the run
// needs of the wizard, read then; one run per page however often it is drawn. The page only draws:
// what it shows is the run's snapshot, copied once per frame; the journal toggle belongs to the UI
// thread.
#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include "core/engine/engines/engine_services.h"
#include "core/model/install_record.h"
#include "progress_run.h"
#include "shell/page.h"
#include "shell/wizard.h"
#include "ui/canvas.h"
#include "ui/input.h"
#include "ui/rect.h"
#include "ui/theme.h"

namespace Ravenquill::Pages {

class ProgressPage final : public Shell::IPage {
    struct Passkey {};

public:
    // A live installation (no target) or removal of the target, run with these engines.
    static std::shared_ptr<ProgressPage> Create(Shell::Wizard& wizard, std::shared_ptr<Core::EngineServices> engines,
                                                std::optional<Core::FoundInstallation> uninstallTarget);
    // The screenshot mode's page: 46 % into copying "resources\app.asar"; it never runs.
    static std::shared_ptr<ProgressPage> CreatePreview(Shell::Wizard& wizard);

    ProgressPage(Passkey, Shell::Wizard& wizard, std::shared_ptr<ProgressRun> run,
                 std::optional<Core::FoundInstallation> uninstallTarget);

    // The step rail's "Установка" or "Удаление": the step before the last.
    int Step() const override;
    bool Animated() const override { return true; }
    void Draw(Ui::Canvas& canvas, Ui::Input& input) override;

    using Snapshot = ProgressRun::Snapshot;
    Snapshot TakeSnapshot() const { return run_->TakeSnapshot(); }
    bool Cancelling() const noexcept { return run_->Cancelling(); }
    bool ShowLog() const noexcept { return showLog_; }

private:
    void DrawSpinner(Ui::Canvas& canvas, const Ui::Rect& r) const;
    void DrawLog(Ui::Canvas& canvas, const Ui::Rect& r, const std::vector<std::wstring>& lines) const;

    Shell::Wizard& wizard_;
    const Ui::Theme theme_;
    const std::optional<Core::FoundInstallation> uninstallTarget_;
    const std::chrono::steady_clock::time_point clock_ = std::chrono::steady_clock::now();
    const std::shared_ptr<ProgressRun> run_;
    bool showLog_ = false;
};

}  // namespace Ravenquill::Pages
