#pragma once
// The last page: the result of an installation or a removal with its badge, title and message;
// after an installation also where it went, the launch choice and a link to the folder.
#include <cstdint>
#include <optional>
#include <string>

#include "core/model/install_record.h"
#include "shell/page.h"
#include "shell/wizard.h"
#include "ui/canvas.h"
#include "ui/input.h"
#include "ui/rect.h"
#include "ui/theme.h"

namespace Ravenquill::Pages {

enum class FinishKind : std::int32_t { Installed = 0, Uninstalled = 1, Cancelled = 2, Failed = 3 };

class FinishPage final : public Shell::IPage {
public:
    FinishPage(Shell::Wizard& wizard, FinishKind kind, std::wstring title, std::wstring message,
               std::optional<Core::InstallRecord> record = std::nullopt);

    Shell::Wizard& Wizard;
    const Ui::Theme Theme;
    // The finished installation; only an installed page has one.
    std::optional<Core::InstallRecord> Record;
    std::wstring Title;
    std::wstring Message;
    FinishKind Kind;

    // The rail's last step ("Готово"): every earlier one shows as completed.
    int Step() const override;
    void Draw(Ui::Canvas& canvas, Ui::Input& input) override;

    // "Готово": starts the program when so chosen after an installation, then closes the wizard.
    void OnDone();
    void LaunchApp();
    void OpenFolder();

private:
    bool ShowsCard() const noexcept;
    bool OffersLaunch() const;
    void DrawBadge(Ui::Canvas& canvas, const Ui::Rect& rect) const;
    void DrawInstalledCard(Ui::Canvas& canvas, const Ui::Rect& rect) const;
    void DrawFooter(Ui::Canvas& canvas, Ui::Input& input, const Ui::Rect& content, bool showCard);
};

}  // namespace Ravenquill::Pages
