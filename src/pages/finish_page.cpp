#include "finish_page.h"

#include "core/common/path.h"
#include "core/common/text.h"
#include "page_layout.h"
#include "pages.h"
#include "shell/chrome.h"
#include "shell_start.h"
#include "ui/icons.h"
#include "ui/widgets.h"

namespace Ravenquill::Pages {
namespace {

using Layout::MeasureRounded;
using Layout::Unbounded;

constexpr float BadgeSize = 68;
constexpr float AfterBadge = 92;
constexpr float TitleGap = 12;
constexpr float CardGap = 24;
constexpr float CardHeight = 62;
constexpr float LaunchGap = 22;
constexpr float LaunchBlock = 41;
constexpr float FooterGap = 26;

constexpr wchar_t DoneLabel[] = L"Готово";
constexpr wchar_t RestartLabel[] = L"Начать заново";

}  // namespace

FinishPage::FinishPage(Shell::Wizard& wizard, FinishKind kind, std::wstring title, std::wstring message,
                       std::optional<Core::InstallRecord> record)
    : Wizard(wizard),
      Theme(wizard.Theme),
      Record(std::move(record)),
      Title(std::move(title)),
      Message(std::move(message)),
      Kind(kind) {}

std::shared_ptr<Shell::IPage> MakeInstalledPage(Shell::Wizard& wizard, Core::InstallRecord record) {
    std::wstring title = record.ProductName + L" установлен";
    // The same message whether or not shortcuts were made.
    std::wstring message =
        L"Версия " + record.Version + L" готова к работе. Ярлыки созданы, приложение зарегистрировано в системе.";
    return std::make_shared<FinishPage>(wizard, FinishKind::Installed, std::move(title), std::move(message),
                                        std::move(record));
}

std::shared_ptr<Shell::IPage> MakeUninstalledPage(Shell::Wizard& wizard, const Core::InstallRecord& record) {
    return std::make_shared<FinishPage>(wizard, FinishKind::Uninstalled, record.ProductName + L" удалён",
                                        L"Файлы, ярлыки и запись в списке установленных программ удалены.");
}

std::shared_ptr<Shell::IPage> MakeInstallCancelledPage(Shell::Wizard& wizard) {
    // The clean-up of a cancelled update puts the earlier version's files back: nothing is gone.
    std::wstring message = wizard.HasExisting() ? L"Обновление прервано: установленная версия осталась без изменений."
                                                : L"Скопированные файлы удалены — на диске ничего не осталось.";
    return std::make_shared<FinishPage>(wizard, FinishKind::Cancelled, L"Установка отменена", std::move(message));
}

// An interrupted removal may have left files behind, unlike a cancelled installation, whose
// clean-up removes what it copied.
std::shared_ptr<Shell::IPage> MakeUninstallCancelledPage(Shell::Wizard& wizard) {
    return std::make_shared<FinishPage>(wizard, FinishKind::Cancelled, L"Удаление отменено",
                                        L"Удаление прервано: часть файлов приложения могла остаться на диске. "
                                        L"Запустите удаление ещё раз, чтобы завершить его.");
}

std::shared_ptr<Shell::IPage> MakeFailedPage(Shell::Wizard& wizard, std::wstring message) {
    return std::make_shared<FinishPage>(wizard, FinishKind::Failed, L"Не удалось завершить операцию",
                                        std::move(message));
}

int FinishPage::Step() const { return static_cast<int>(Wizard.State->Steps()->size()); }

bool FinishPage::ShowsCard() const noexcept { return Kind == FinishKind::Installed && Record.has_value(); }

bool FinishPage::OffersLaunch() const {
    const Core::InstallManifest& manifest = *Wizard.Manifest;
    return ShowsCard() && manifest.OfferLaunchAfterInstall && manifest.MainExecutable &&
           !Text::IsNullOrWhiteSpace(*manifest.MainExecutable);
}

void FinishPage::Draw(Ui::Canvas& canvas, Ui::Input& input) {
    const Ui::Rect c = Shell::Chrome::ContentRect;
    const float w = c.Width();
    const Ui::TextStyle titleStyle = Layout::TitleStyle(Theme);
    const Ui::TextStyle bodyStyle = Layout::BodyStyle(Theme);
    const float titleH = MeasureRounded(canvas, Title, titleStyle, w).second;
    const float msgH = MeasureRounded(canvas, Message, bodyStyle, w - Layout::BodyWrapInset).second;
    const bool showCard = ShowsCard();
    const bool showLaunch = OffersLaunch();

    float block = titleH + AfterBadge + TitleGap + msgH;
    if (showCard) block += CardHeight + CardGap;
    if (showLaunch) block += LaunchBlock;
    float y = Layout::MainBlockTop(c, block, FooterGap);

    DrawBadge(canvas, {c.Left, y, c.Left + BadgeSize, y + BadgeSize});
    y += AfterBadge;
    canvas.DrawText(Title, {c.Left, y, c.Right, y + titleH}, titleStyle);
    y += titleH + TitleGap;
    canvas.DrawText(Message, {c.Left, y, c.Left + w - Layout::BodyWrapInset, y + msgH}, bodyStyle);
    y += msgH;
    if (showCard) {
        y += CardGap;
        DrawInstalledCard(canvas, {c.Left, y, c.Right, y + CardHeight});
        y += CardHeight;
    }
    if (showLaunch) {
        y += LaunchGap;
        bool& launch = Wizard.Settings.LaunchAfterInstall;
        if (canvas.Checkbox(input, Theme, {c.Left + 2, y, c.Right + 2, y + 19},
                            L"Запустить приложение после завершения", launch, true))
            launch = !launch;
    }
    DrawFooter(canvas, input, c, showCard);
}

void FinishPage::DrawBadge(Ui::Canvas& canvas, const Ui::Rect& r) const {
    const bool success = Kind == FinishKind::Installed || Kind == FinishKind::Uninstalled;
    const std::uint32_t color = success ? Theme.Accent : Kind == FinishKind::Cancelled ? Theme.Warning : Theme.Error;
    canvas.FillCircle(r.Left + 34, r.Top + 34, 34, color);
    if (success)
        canvas.DrawPath(Ui::Icons::CheckMark, {r.Left + 20, r.Top + 24, r.Left + 48, r.Top + 45}, Theme.OnAccent, 2.4f);
    else
        canvas.DrawPath(Ui::Icons::Warning, {r.Left + 19, r.Top + 19, r.Left + 49, r.Top + 49}, Theme.OnAccent, 1.6f);
}

void FinishPage::DrawInstalledCard(Ui::Canvas& canvas, const Ui::Rect& r) const {
    canvas.FillRoundedRect(r, 8, Theme.Panel);
    canvas.StrokeRoundedRect(r, 8, Theme.Border, 1);
    const Ui::TextStyle label(Layout::BodyFamily, 11.5f, Layout::Regular, Theme.TextMuted);
    const float lh = MeasureRounded(canvas, L"Установлено в", label, r.Width() - 32).second;
    canvas.DrawText(L"Установлено в", {r.Left + 16, r.Top + 14, r.Right - 16, r.Top + 14 + lh}, label);
    const Ui::TextStyle value(Layout::BodyFamily, 13, Layout::Regular, Theme.Text, false, 0, true);
    const float top = r.Top + 14 + lh + 4;
    canvas.DrawText(Record->InstallDir, {r.Left + 16, top, r.Right - 16, top + 18}, value);
}

void FinishPage::DrawFooter(Ui::Canvas& canvas, Ui::Input& input, const Ui::Rect& content, bool showCard) {
    Ui::Widgets widgets{Theme, canvas, input};
    const Layout::FooterButtons buttons =
        Layout::LayoutFooterButtons(canvas, widgets, content, DoneLabel, RestartLabel);
    if (widgets.PrimaryButton(buttons.Primary, DoneLabel, true)) OnDone();
    // The wizard's settings and step rail stay as they are: after a removal the welcome page shows
    // under the removal's rail with its first step active.
    if (Kind != FinishKind::Installed && widgets.SecondaryButton(buttons.Secondary, RestartLabel, true))
        Wizard.Show(MakeWelcomePage(Wizard));
    if (showCard && Layout::FooterLink(canvas, input, Theme, content, L"Открыть папку")) OpenFolder();
}

void FinishPage::OnDone() {
    if (Kind == FinishKind::Installed && Wizard.Settings.LaunchAfterInstall) LaunchApp();
    Wizard.RequestClose();
}

void FinishPage::LaunchApp() {
    const std::optional<std::wstring>& exe = Wizard.Manifest->MainExecutable;
    if (!Record || !exe || Text::IsNullOrWhiteSpace(*exe)) return;
    // A rooted main executable stands alone.
    TryStart(*Wizard.Platform, Path::Combine(Record->InstallDir, *exe), std::nullopt, Record->InstallDir);
}

void FinishPage::OpenFolder() {
    if (!Record) return;
    TryStart(*Wizard.Platform, L"explorer.exe", L"\"" + Record->InstallDir + L"\"");
}

}  // namespace Ravenquill::Pages
