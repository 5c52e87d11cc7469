#include "uninstall_page.h"

#include <string>
#include <utility>

#include "page_layout.h"
#include "pages.h"
#include "progress_page.h"
#include "shell/chrome.h"
#include "ui/icons.h"
#include "ui/text_style.h"
#include "ui/widgets.h"

namespace Ravenquill::Pages {
namespace {

using Layout::MeasureRounded;
using Ui::Rect;
using Ui::TextStyle;

constexpr float IconTile = 68;
constexpr float IconInset = 22;  // the trash can's box inside the tile
constexpr float CardRadius = 8;
constexpr float IconToTitle = 92;  // from the tile's top to the title's
constexpr float TitleGap = 12;
constexpr float CardGap = 24;
constexpr float CardHeight = 104;
constexpr float CardInset = 16;
constexpr float WarningGap = 16;
constexpr float WarningHeight = 42;
constexpr float CheckboxGap = 20;
constexpr float CheckboxHeight = 21;
constexpr float CheckboxBlock = CheckboxGap + CheckboxHeight;
constexpr float BlockGap = 26;  // above the footer

const wchar_t RemoveLabel[] = L"Удалить";
const wchar_t CancelLabel[] = L"Отмена";

TextStyle TitleStyle(const Ui::Theme& theme) {
    TextStyle style = Layout::TitleStyle(theme);
    style.Wrap = true;
    return style;
}
TextStyle LabelStyle(const Ui::Theme& theme) {
    return TextStyle(Layout::BodyFamily, 11.5f, Layout::Regular, theme.TextMuted);
}
TextStyle ValueStyle(const Ui::Theme& theme) {
    return TextStyle(Layout::BodyFamily, 13, Layout::Regular, theme.Text, false, 0, true);
}
TextStyle WarningStyle(const Ui::Theme& theme) {
    return TextStyle(Layout::BodyFamily, 13, Layout::Regular, theme.Warning, false, 0, true);
}

void DrawCard(Ui::Canvas& canvas, const Rect& rect, std::uint32_t fill, std::uint32_t outline) {
    canvas.FillRoundedRect(rect, CardRadius, fill);
    canvas.StrokeRoundedRect(rect, CardRadius, outline, 1);
}

}  // namespace

UninstallPage::UninstallPage(Shell::Wizard& wizard, std::shared_ptr<Core::EngineServices> engines)
    : wizard_(wizard), theme_(wizard.Theme), engines_(std::move(engines)) {
    found_ = engines_->FindInstallation(*wizard_.Manifest, wizard_.Options.InstallDir);
    if (found_) running_ = engines_->FindProcessesInDirectory(found_->Record.InstallDir);
}

void UninstallPage::Draw(Ui::Canvas& canvas, Ui::Input& input) {
    const Core::InstallRecord* record = Record();
    const Rect c = Shell::Chrome::ContentRect;
    const float w = c.Right - c.Left;

    const std::wstring title =
        record ? L"Удалить " + wizard_.Manifest->ProductName + L"?" : std::wstring(L"Установка не найдена");
    const wchar_t* body = record ? L"Будут удалены файлы приложения, ярлыки и запись в списке установленных "
                                   L"программ. Это действие нельзя отменить."
                                 : L"Не удалось найти сведения об установленной версии. Возможно, приложение "
                                   L"уже удалено.";
    const TextStyle titleStyle = TitleStyle(theme_);
    const TextStyle bodyStyle = Layout::BodyStyle(theme_);
    const float bodyW = w - Layout::BodyWrapInset;
    const float titleH = MeasureRounded(canvas, title, titleStyle, w).second;
    const float bodyH = MeasureRounded(canvas, body, bodyStyle, bodyW).second;
    const float warnH = running_.empty() ? 0 : WarningHeight;

    float block = titleH + IconToTitle + TitleGap + bodyH;
    if (record) block += CardHeight + CardGap + CheckboxBlock;
    if (warnH > 0) block += warnH + WarningGap;
    float y = Layout::MainBlockTop(c, block, BlockGap);

    DrawCard(canvas, {c.Left, y, c.Left + IconTile, y + IconTile}, theme_.Panel, theme_.Border);
    canvas.DrawPath(Ui::Icons::Trash,
                    {c.Left + IconInset, y + IconInset, c.Left + IconTile - IconInset, y + IconTile - IconInset},
                    theme_.Error, 1.4f);

    y += IconToTitle;
    canvas.DrawText(title, {c.Left, y, c.Right, y + titleH}, titleStyle);
    y += titleH + TitleGap;
    canvas.DrawText(body, {c.Left, y, c.Left + bodyW, y + bodyH}, bodyStyle);
    y += bodyH;

    if (record) {
        y += CardGap;
        const float t = y;
        DrawCard(canvas, {c.Left, t, c.Right, t + CardHeight}, theme_.Panel, theme_.Border);
        const float left = c.Left + CardInset;
        const float right = c.Right - CardInset;
        TextStyle heading = ValueStyle(theme_);
        heading.Weight = Layout::Semibold;
        canvas.DrawText(record->ProductName + L" " + record->Version + L" · " + record->Publisher,
                        {left, t + 14, right, t + 32}, heading);
        canvas.DrawText(record->InstallDir, {left, t + 38, right, t + 56}, ValueStyle(theme_));
        canvas.DrawText(std::to_wstring(record->Files.size()) + L" файлов", {left, t + 64, right, t + 80},
                        LabelStyle(theme_));
        y += CardHeight;

        if (!running_.empty()) {
            y += WarningGap;
            DrawCard(canvas, {c.Left, y, c.Right, y + WarningHeight}, theme_.WarningSoft, theme_.Warning);
            canvas.DrawPath(Ui::Icons::Warning, {c.Left + 14, y + 13, c.Left + 30, y + 29}, theme_.Warning, 1.3f);
            std::wstring names;
            for (const Core::LockingProcess& process : running_)
                names += (names.empty() ? L"" : L", ") + process.Name();
            canvas.DrawTextVCenter(
                L"Приложение запущено: " + names + L". Установщик предложит закрыть его перед удалением.",
                {c.Left + 40, y, c.Right - 14, y + WarningHeight}, WarningStyle(theme_));
            y += WarningHeight;
        }

        y += CheckboxGap;
        if (canvas.Checkbox(input, theme_, {c.Left + 2, y, c.Right, y + CheckboxHeight},
                            L"Сохранить пользовательские данные и настройки", wizard_.Options.KeepData, true))
            wizard_.Options.KeepData = !wizard_.Options.KeepData;
    }

    // The text button is handled before the primary one.
    Ui::Widgets widgets{theme_, canvas, input};
    const Layout::FooterButtons footer = Layout::LayoutFooterButtons(canvas, widgets, c, RemoveLabel, CancelLabel);
    if (widgets.TextButton(footer.Secondary, CancelLabel)) wizard_.RequestClose();
    if (widgets.PrimaryButton(footer.Primary, RemoveLabel, found_.has_value()))
        wizard_.Show(ProgressPage::Create(wizard_, engines_, *found_));
}

std::shared_ptr<Shell::IPage> MakeUninstallPage(Shell::Wizard& wizard) {
    return std::make_shared<UninstallPage>(wizard, wizard.Engines);
}

}  // namespace Ravenquill::Pages
