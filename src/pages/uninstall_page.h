#pragma once
// The first page of a removal: what will be removed (name, version, publisher, folder, file count),
// a warning while programs run from the install folder, the box that keeps the user's data, and
// "Удалить" (the progress page's removal) or "Отмена" (the window closes). The installation and
// the running programs are looked up once, when the page is made.
#include <memory>
#include <optional>
#include <vector>

#include "core/engine/engines/engine_services.h"
#include "core/model/install_record.h"
#include "core/model/locking_process.h"
#include "shell/page.h"
#include "shell/wizard.h"
#include "ui/canvas.h"
#include "ui/input.h"
#include "ui/theme.h"

namespace Ravenquill::Pages {

class UninstallPage final : public Shell::IPage {
public:
    UninstallPage(Shell::Wizard& wizard, std::shared_ptr<Core::EngineServices> engines);

    // The uninstall step rail's "Подтверждение".
    int Step() const override { return 1; }
    void Draw(Ui::Canvas& canvas, Ui::Input& input) override;

    // The installation's record; none when no installation was found.
    const Core::InstallRecord* Record() const noexcept { return found_ ? &found_->Record : nullptr; }
    const std::vector<Core::LockingProcess>& Running() const noexcept { return running_; }

private:
    Shell::Wizard& wizard_;
    const Ui::Theme theme_;
    const std::shared_ptr<Core::EngineServices> engines_;
    std::optional<Core::FoundInstallation> found_;
    std::vector<Core::LockingProcess> running_;
};

}  // namespace Ravenquill::Pages
