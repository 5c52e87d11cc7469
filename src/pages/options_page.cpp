#include "options_page.h"

#include <algorithm>

#include "core/common/text.h"
#include "core/engine/engines/install_engine.h"
#include "page_layout.h"
#include "pages.h"
#include "shell/chrome.h"
#include "ui/icons.h"
#include "ui/widgets.h"

namespace Ravenquill::Pages {
namespace {

using Layout::MeasureRounded;
using Layout::Unbounded;

constexpr float SectionLabelHeight = 16;
constexpr float AfterSectionLabel = 23;
constexpr float BoxHeight = 36;
constexpr float BrowseGap = 10;
constexpr float AfterDirectory = 45;
constexpr float AfterSpaceLine = 38;
constexpr float CardGap = 12;
constexpr float CardHeight = 62;
constexpr float SectionGap = 22;
constexpr float RowGap = 8;
constexpr float ExtrasGap = 20;
constexpr float AfterExtrasLabel = 26;
constexpr float CheckboxHeight = 21;
constexpr float CheckboxStep = 33;
// The component row gives its description the row's width minus this.
constexpr float RowDescriptionInset = 165;

constexpr wchar_t BrowseLabel[] = L"Обзор…";
constexpr wchar_t BackLabel[] = L"Назад";
constexpr wchar_t InstallLabel[] = L"Установить";

Ui::TextStyle SectionStyle(const Ui::Theme& theme) {
    return Ui::TextStyle(Layout::BodyFamily, 11.5f, Layout::Regular, theme.TextMuted);
}

void SectionLabel(Ui::Canvas& canvas, const Ui::Theme& theme, std::wstring_view text, float y) {
    const Ui::Rect c = Shell::Chrome::ContentRect;
    canvas.DrawText(text, {c.Left + 2, y, c.Left + 2 + c.Width(), y + SectionLabelHeight}, SectionStyle(theme));
}

}  // namespace

std::shared_ptr<Shell::IPage> MakeOptionsPage(Shell::Wizard& wizard) { return std::make_shared<OptionsPage>(wizard); }

// The step rail holds a licence step before "Параметры" when the manifest asks for acceptance.
int OptionsPage::Step() const { return Wizard.Manifest->RequireLicenseAccept ? 3 : 2; }

void OptionsPage::Draw(Ui::Canvas& canvas, Ui::Input& input) {
    const Ui::Rect c = Shell::Chrome::ContentRect;
    canvas.DrawText(L"Параметры установки", {c.Left, c.Top + 4, c.Right, c.Top + 30},
                    Layout::TitleStyle(Theme, Layout::CompactTitleSize));
    canvas.DrawText(L"Выберите каталог и дополнительные возможности.", {c.Left, c.Top + 36, c.Right, c.Top + 56},
                    Layout::BodyStyle(Theme));

    const Ui::Rect v = Viewport;
    // Content scrolled under the heading or the footer is cut away, so it must not answer the
    // pointer either: a click on "Установить" would otherwise also toggle a hidden check box.
    Ui::Input outside = Ui::Input::Inert();
    Ui::Input& contentInput = input.Hit(v) ? input : outside;
    canvas.PushAxisAlignedClip(v);
    const float bottom = DrawSettings(canvas, contentInput, v.Top - Scroll);
    canvas.PopAxisAlignedClip();

    ContentHeight = bottom + Scroll - v.Top;
    const float drawnAt = Scroll;
    HandleScroll(input, v);
    // This frame drew the old offset: the next one, asked for now, shows the new one at once rather
    // than whenever the pointer next moves.
    if (Scroll != drawnAt) Wizard.RequestRedraw();
    DrawFooter(canvas, input, c);
}

float OptionsPage::DrawSettings(Ui::Canvas& canvas, Ui::Input& input, float y) {
    const Ui::Rect c = Shell::Chrome::ContentRect;
    const float w = c.Width();
    Shell::Settings& settings = Wizard.Settings;
    const Core::InstallManifest& manifest = *Wizard.Manifest;
    Ui::Widgets widgets{Theme, canvas, input};

    SectionLabel(canvas, Theme, L"Каталог установки", y);
    y += AfterSectionLabel;
    const float bw =
        Layout::SecondaryButtonWidth(MeasureRounded(canvas, BrowseLabel, widgets.LabelStyle(), Unbounded).first);
    // The box only shows the directory: it cannot be typed into and is not clickable.
    const Ui::Rect box{c.Left, y, c.Right - bw - BrowseGap, y + BoxHeight};
    canvas.FillRoundedRect(box, 6, Theme.Panel);
    canvas.StrokeRoundedRect(box, 6, input.Hit(box) ? Theme.TextMuted : Theme.StrongBorder, 1);
    const Ui::TextStyle dirStyle(Layout::BodyFamily, 13, Layout::Regular, Theme.Text, false, 0, true);
    canvas.DrawTextVCenter(settings.InstallDir, {c.Left + 11, y, box.Right - 11, y + BoxHeight}, dirStyle);
    if (widgets.SecondaryButton({c.Right - bw, y, c.Right, y + BoxHeight}, BrowseLabel, manifest.AllowChangeDirectory))
        Browse();
    y += AfterDirectory;

    SectionLabel(canvas, Theme,
                 L"Требуется: " + Core::InstallEngine::FormatSize(GetRequiredBytes()) + L"   ·   Свободно: " +
                     freeSpace_.TextFor(settings.InstallDir),
                 y);
    y += AfterSpaceLine;

    SectionLabel(canvas, Theme, L"Для кого установить", y);
    y += AfterSectionLabel;
    const float cardW = (w - CardGap) / 2;
    if (canvas.RadioCard(input, Theme, {c.Left, y, c.Left + cardW, y + CardHeight}, L"Только для меня",
                         L"Без прав администратора", !settings.PerMachine))
        settings.SetPerMachine(false);
    const wchar_t* machineNote =
        settings.Administrator ? L"Права администратора не требуются" : L"Потребуется подтверждение";
    if (canvas.RadioCard(input, Theme, {c.Left + cardW + CardGap, y, c.Left + 2 * cardW + CardGap, y + CardHeight},
                         L"Для всех пользователей", machineNote, settings.PerMachine))
        settings.SetPerMachine(true);
    y += CardHeight;

    if (!settings.Components.empty()) {
        y += SectionGap;
        SectionLabel(canvas, Theme, L"Компоненты", y);
        y += AfterSectionLabel;
        for (Shell::ComponentChoice& choice : settings.Components) {
            const Core::ComponentDefinition& definition = choice.Definition;
            const std::wstring description = definition.Description.value_or(L"");
            const float rowH = canvas.ComponentRowHeight(Theme, description, w - RowDescriptionInset);
            // A required component stays selected however often it is clicked.
            if (canvas.ComponentRow(input, Theme, {c.Left, y, c.Right, y + rowH}, definition.Name, description,
                                    choice.SizeText(), choice.IsIncluded(), definition.Required))
                choice.Selected = !choice.IsIncluded() || definition.Required;
            y += rowH + RowGap;
        }
        y -= RowGap;
    }

    y += ExtrasGap;
    SectionLabel(canvas, Theme, L"Дополнительно", y);
    y += AfterExtrasLabel;
    const struct {
        bool Offered;
        const wchar_t* Label;
        bool& Setting;
    } extras[] = {
        {manifest.OfferDesktopShortcut, L"Создать ярлык на рабочем столе", settings.DesktopShortcut},
        {manifest.OfferStartMenuShortcut, L"Добавить в меню «Пуск»", settings.StartMenuShortcut},
        {manifest.OfferAddToPath, L"Добавить каталог установки в переменную PATH", settings.AddToPath},
    };
    for (const auto& extra : extras) {
        if (!extra.Offered) continue;
        if (canvas.Checkbox(input, Theme, {c.Left + 2, y, c.Right, y + CheckboxHeight}, extra.Label, extra.Setting,
                            true))
            extra.Setting = !extra.Setting;
        y += CheckboxStep;
    }
    return y;
}

void OptionsPage::HandleScroll(Ui::Input& input, const Ui::Rect& viewport) {
    // A forward notch (positive) lowers the offset and brings the top of the content into view.
    Scroll -= input.TakeWheel(viewport) * ScrollPerNotch;
    Scroll = std::clamp(Scroll, 0.0f, std::max(0.0f, ContentHeight - viewport.Height()));
}

std::int64_t OptionsPage::GetRequiredBytes() const {
    const std::vector<std::wstring> selected = Wizard.Settings.SelectedComponentIds();
    std::int64_t bytes = Wizard.Payload.UnassignedBytes;
    for (const Shell::ComponentChoice& choice : Wizard.Settings.Components) {
        const auto& prefix = choice.Definition.PathPrefix;
        if (!prefix || Text::IsNullOrWhiteSpace(*prefix)) continue;
        if (std::find(selected.begin(), selected.end(), choice.Definition.Id) != selected.end()) bytes += choice.Size;
    }
    return bytes == 0 ? Wizard.Payload.TotalBytes : bytes;
}

std::wstring OptionsPage::GetFreeSpaceText() const {
    return FreeSpaceText(*Wizard.Platform, Wizard.Settings.InstallDir);
}

void OptionsPage::Browse() {
    // The picker is modal and waits for the user: opened inside this frame, it would hold the frame
    // open, and the frames drawn meanwhile would carry this click again. A second click that comes
    // before the picker has disabled the window (a double click) opens no second picker. The
    // wizard outlives the picker; the page need not.
    if (*picking_) return;
    *picking_ = true;
    Shell::Wizard& wizard = Wizard;
    wizard.AfterFrame([&wizard, picking = picking_] {
        const struct Done {
            bool& picking;
            ~Done() { picking = false; }
        } done{*picking};
        const std::optional<std::wstring> chosen =
            wizard.Platform->PickFolder(L"Выберите каталог установки", wizard.Settings.InstallDir);
        if (!chosen || chosen->empty()) return;
        wizard.Settings.InstallDir = *chosen;
        wizard.RequestRedraw();
    });
}

void OptionsPage::DrawFooter(Ui::Canvas& canvas, Ui::Input& input, const Ui::Rect& content) {
    const Ui::Rect footer = Layout::FooterRect(content);
    if (Wizard.Settings.NeedsElevation()) {
        canvas.DrawPath(Ui::Icons::Shield, {footer.Left, footer.Top + 10, footer.Left + 15, footer.Top + 25},
                        Theme.TextMuted, 1.2f);
        canvas.DrawTextVCenter(L"Потребуется подтверждение администратора",
                               {footer.Left + 23, footer.Top, footer.Left + 400, footer.Bottom}, SectionStyle(Theme));
    }
    Ui::Widgets widgets{Theme, canvas, input};
    const Layout::FooterButtons buttons =
        Layout::LayoutFooterButtons(canvas, widgets, content, InstallLabel, BackLabel);
    // The settings keep their changes: a new welcome page reads them.
    if (widgets.TextButton(buttons.Secondary, BackLabel)) Wizard.Show(MakeWelcomePage(Wizard));
    if (widgets.PrimaryButton(buttons.Primary, InstallLabel, Wizard.Payload.HasPayload)) Wizard.BeginInstall();
}

}  // namespace Ravenquill::Pages
