#include "welcome_page.h"

#include <algorithm>

#include "core/common/text.h"
#include "core/engine/engines/install_engine.h"
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

constexpr float TitleGap = 14;
constexpr float DescriptionGap = 26;
constexpr float WarningHeight = 42;
constexpr float WarningGap = 16;
constexpr float FooterGap = 28;

constexpr float CardPadding = 18;
constexpr float CardTopPadding = 16;
constexpr float LabelValueGap = 3;
constexpr float DividerGap = 14;
constexpr float CardRadius = 8;

constexpr wchar_t DirectoryLabel[] = L"Каталог установки";
constexpr wchar_t ScopeLabel[] = L"Область установки";
constexpr wchar_t SizeLabel[] = L"Размер";
constexpr wchar_t ConfigureLabel[] = L"Настроить";

}  // namespace

std::shared_ptr<Shell::IPage> MakeWelcomePage(Shell::Wizard& wizard) { return std::make_shared<WelcomePage>(wizard); }

std::wstring WelcomePage::Title() const {
    return (Wizard.HasExisting() ? L"Обновление " : L"Установка ") + Wizard.Manifest->ProductName;
}

std::wstring WelcomePage::Description() const {
    const Core::InstallManifest& manifest = *Wizard.Manifest;
    if (Wizard.HasExisting())
        return L"На компьютере найдена версия " + Wizard.Existing->DisplayVersion + L". " +
               L"Она будет обновлена до версии " + manifest.Version + L". Настройки и данные сохранятся.";
    if (manifest.Tagline) return *manifest.Tagline;
    return L"Мастер установит " + manifest.ProductName + L" " + manifest.Version + L" на этот компьютер. " +
           L"Нажмите «Установить», чтобы продолжить с параметрами по умолчанию.";
}

std::wstring WelcomePage::PrimaryLabel() const { return Wizard.HasExisting() ? L"Обновить" : L"Установить"; }

std::wstring WelcomePage::ScopeText() const {
    return Wizard.Settings.PerMachine ? L"Для всех пользователей компьютера" : L"Только для текущего пользователя";
}

std::wstring WelcomePage::SizeText() const {
    if (PayloadMissing()) return L"Пакет с файлами не найден";
    // The same word for every count: the line reads as a tally, not a sentence.
    return Core::InstallEngine::FormatSize(Wizard.Payload.TotalBytes) + L" · " +
           std::to_wstring(Wizard.Payload.FileCount) + L" файлов";
}

bool WelcomePage::PayloadMissing() const noexcept { return !Wizard.Payload.HasPayload; }

Ui::TextStyle WelcomePage::LabelStyle() const {
    return Ui::TextStyle(Layout::BodyFamily, 11.5f, Layout::Regular, Theme.TextMuted);
}

Ui::TextStyle WelcomePage::ValueStyle() const {
    return Ui::TextStyle(Layout::BodyFamily, 13, Layout::Regular, Theme.Text);
}

void WelcomePage::Draw(Ui::Canvas& canvas, Ui::Input& input) {
    const Ui::Rect c = Shell::Chrome::ContentRect;
    const float w = c.Width();
    const Ui::TextStyle titleStyle = Layout::TitleStyle(Theme);
    const Ui::TextStyle bodyStyle = Layout::BodyStyle(Theme);
    const std::wstring title = Title();
    const std::wstring description = Description();

    const float titleH = MeasureRounded(canvas, title, titleStyle, w).second;
    const float descH = MeasureRounded(canvas, description, bodyStyle, w - Layout::BodyWrapInset).second;
    const float cardH = MeasureInfoCard(canvas, w);
    const bool missing = PayloadMissing();
    float block = titleH + TitleGap + descH + DescriptionGap + cardH;
    if (missing) block += WarningHeight + WarningGap;

    float y = Layout::MainBlockTop(c, block, FooterGap);
    canvas.DrawText(title, {c.Left, y, c.Right, y + titleH}, titleStyle);
    y += titleH + TitleGap;
    canvas.DrawText(description, {c.Left, y, c.Left + w - Layout::BodyWrapInset, y + descH}, bodyStyle);
    y += descH + DescriptionGap;
    DrawInfoCard(canvas, {c.Left, y, c.Right, y + cardH});
    y += cardH;
    if (missing) DrawMissingPayloadCard(canvas, {c.Left, y + WarningGap, c.Right, y + WarningGap + WarningHeight});

    DrawFooter(canvas, input, c);
}

float WelcomePage::MeasureInfoCard(Ui::Canvas& canvas, float width) const {
    const Ui::TextStyle label = LabelStyle();
    const Ui::TextStyle value = ValueStyle();
    Ui::TextStyle wrapped = value;
    wrapped.Wrap = true;
    const float colW = (width - 2 * CardPadding) / 2;
    const float dirH = MeasureRounded(canvas, DirectoryLabel, label, Unbounded).second + LabelValueGap +
                       MeasureRounded(canvas, Wizard.Settings.InstallDir, value, Unbounded).second;
    const float scopeH = MeasureRounded(canvas, ScopeLabel, label, Unbounded).second + LabelValueGap +
                         MeasureRounded(canvas, ScopeText(), wrapped, colW).second;
    const float sizeH = MeasureRounded(canvas, SizeLabel, label, Unbounded).second + LabelValueGap +
                        MeasureRounded(canvas, SizeText(), value, Unbounded).second;
    return CardTopPadding + dirH + DividerGap + 1 + DividerGap + std::max(scopeH, sizeH) + CardTopPadding;
}

void WelcomePage::DrawInfoCard(Ui::Canvas& canvas, const Ui::Rect& r) const {
    canvas.FillRoundedRect(r, CardRadius, Theme.Panel);
    canvas.StrokeRoundedRect(r, CardRadius, Theme.Border, 1);
    canvas.DrawPath(Ui::Icons::Folder, {r.Left + 18, r.Top + 18, r.Left + 34, r.Top + 34}, Theme.Accent, 1.3f);

    const float textX = r.Left + 46;
    const float right = r.Right - CardPadding;
    const float top = r.Top + CardTopPadding;
    const Ui::TextStyle label = LabelStyle();
    const float labelH = MeasureRounded(canvas, DirectoryLabel, label, Unbounded).second;
    canvas.DrawText(DirectoryLabel, {textX, top, right, top + labelH}, label);
    // A long directory stays on its one line, cut with an ellipsis.
    Ui::TextStyle value = ValueStyle();
    value.Ellipsis = true;
    const std::wstring& dir = Wizard.Settings.InstallDir;
    const float valueTop = top + labelH + LabelValueGap;
    const float valueH = MeasureRounded(canvas, dir, value, right - textX).second;
    canvas.DrawText(dir, {textX, valueTop, right, valueTop + valueH}, value);

    const float d = valueTop + valueH + DividerGap;
    canvas.FillRect({r.Left + CardPadding, d, r.Right - CardPadding, d + 1}, Theme.Border);

    const float rowTop = d + 1 + DividerGap;
    const float colW = (r.Width() - 2 * CardPadding) / 2;
    DrawLabelValue(canvas, ScopeLabel, ScopeText(), r.Left + CardPadding, rowTop, colW, true);
    DrawLabelValue(canvas, SizeLabel, SizeText(), r.Left + CardPadding + colW, rowTop, colW, false);
}

void WelcomePage::DrawLabelValue(Ui::Canvas& canvas, std::wstring_view label, std::wstring_view value, float x, float y,
                                 float width, bool wrap) const {
    const Ui::TextStyle labelStyle = LabelStyle();
    const float lh = MeasureRounded(canvas, label, labelStyle, Unbounded).second;
    canvas.DrawText(label, {x, y, x + width, y + lh}, labelStyle);
    Ui::TextStyle valueStyle = ValueStyle();
    valueStyle.Wrap = wrap;
    const float vh = MeasureRounded(canvas, value, valueStyle, width).second;
    const float top = y + lh + LabelValueGap;
    canvas.DrawText(value, {x, top, x + width, top + vh}, valueStyle);
}

void WelcomePage::DrawMissingPayloadCard(Ui::Canvas& canvas, const Ui::Rect& r) const {
    canvas.FillRoundedRect(r, CardRadius, Theme.WarningSoft);
    canvas.StrokeRoundedRect(r, CardRadius, Theme.Warning, 1);
    const float glyphTop = r.Top + (r.Height() - 16) / 2;
    canvas.DrawPath(Ui::Icons::Warning, {r.Left + 14, glyphTop, r.Left + 30, glyphTop + 16}, Theme.Warning, 1.3f);
    const Ui::TextStyle style(Layout::BodyFamily, 13, Layout::Regular, Theme.Warning);
    canvas.DrawTextVCenter(L"Пакет с файлами приложения не найден — установка недоступна.",
                           {r.Left + 40, r.Top, r.Right - 14, r.Bottom}, style);
}

void WelcomePage::DrawFooter(Ui::Canvas& canvas, Ui::Input& input, const Ui::Rect& content) const {
    Ui::Widgets widgets{Theme, canvas, input};
    const std::wstring primary = PrimaryLabel();
    const Layout::FooterButtons buttons =
        Layout::LayoutFooterButtons(canvas, widgets, content, primary, ConfigureLabel);
    if (widgets.SecondaryButton(buttons.Secondary, ConfigureLabel, true)) Wizard.Show(MakeOptionsPage(Wizard));
    if (widgets.PrimaryButton(buttons.Primary, primary, !PayloadMissing())) Wizard.BeginInstall();
    const std::optional<std::wstring>& website = Wizard.Manifest->Website;
    if (website && !Text::IsNullOrWhiteSpace(*website) && Layout::FooterLink(canvas, input, Theme, content, *website))
        TryStart(*Wizard.Platform, *website);
}

}  // namespace Ravenquill::Pages
