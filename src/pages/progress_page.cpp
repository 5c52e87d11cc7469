#include "progress_page.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

#include "core/common/number_format.h"
#include "page_layout.h"
#include "pages.h"
#include "shell/chrome.h"
#include "ui/geometry.h"
#include "ui/text_style.h"
#include "ui/widgets.h"

namespace Ravenquill::Pages {
namespace {

using Layout::MeasureRounded;
using Layout::Unbounded;
using Ui::Rect;
using Ui::TextStyle;

constexpr float SpinnerSize = 46;
constexpr float HeadingIndent = 62;  // the heading's left edge from the content's, beside the spinner
constexpr float HeadingGap = 5;      // between title and subtitle
constexpr float StatusTop = 80;      // the status row below the block's top
constexpr float StatusInset = 60;    // the status text leaves room for the percentage
constexpr float BarGap = 12;
constexpr float BarHeight = 4;
constexpr float BarRadius = 2;
constexpr float DetailGap = 16;  // from the bar's top to the detail line's
constexpr float DetailHeight = 17;
constexpr float JournalGap = 20;
constexpr float JournalHeight = 150;
constexpr float JournalRadius = 8;
constexpr float JournalInset = 14;
constexpr float JournalBottomInset = 10;
constexpr float JournalLineGap = 3;
constexpr float BlockGap = 24;  // above the footer
// The block's height below the heading's band: the gap down to the status row, the room the block
// keeps for the status row, the bar with the room below it and above the detail line, and the
// detail line.
constexpr float StatusRowGap = StatusTop - SpinnerSize;
constexpr float StatusRowRoom = 20;
constexpr float BarRoom = 8;
constexpr float DetailRoom = 12;
constexpr float BlockBelowHeading = StatusRowGap + StatusRowRoom + BarGap + BarRoom + DetailRoom + DetailHeight;
constexpr float JournalBlock = JournalGap + JournalHeight;

constexpr double SpinnerTurn = 1.5;  // seconds per turn
constexpr int SpinnerDots = 22;
constexpr double SpinnerDotStep = 1.4;  // degrees between dots
constexpr float SpinnerDotRadius = 1.5f;
constexpr float SpinnerRing = 3;

const wchar_t CancelLabel[] = L"Отмена";

TextStyle TitleStyle(const Ui::Theme& theme) {
    TextStyle style = Layout::TitleStyle(theme, Layout::CompactTitleSize);
    style.Wrap = true;
    return style;
}
TextStyle StatusStyle(const Ui::Theme& theme) { return TextStyle(Layout::BodyFamily, 14, Layout::Regular, theme.Text); }
TextStyle PercentStyle(const Ui::Theme& theme) {
    return TextStyle(Layout::DisplayFamily, 15, Layout::Semibold, theme.Text, false, 0, false, Ui::TextAlign::Right);
}
TextStyle DetailStyle(const Ui::Theme& theme) {
    return TextStyle(Layout::MonoFamily, 11.5f, Layout::Regular, theme.TextMuted, false, 0, true);
}
TextStyle JournalStyle(const Ui::Theme& theme) {
    return TextStyle(Layout::MonoFamily, 11.5f, Layout::Regular, theme.TextMuted, true);
}

// The percentage as a whole number in the user's format, halves away from zero.
std::wstring PercentText(double percent) { return FormatDecimals(std::round(percent), 0) + L"%"; }

}  // namespace

std::shared_ptr<ProgressPage> ProgressPage::Create(Shell::Wizard& wizard, std::shared_ptr<Core::EngineServices> engines,
                                                   std::optional<Core::FoundInstallation> uninstallTarget) {
    return std::make_shared<ProgressPage>(Passkey{}, wizard, ProgressRun::Create(wizard, std::move(engines)),
                                          std::move(uninstallTarget));
}

std::shared_ptr<ProgressPage> ProgressPage::CreatePreview(Shell::Wizard& wizard) {
    return std::make_shared<ProgressPage>(
        Passkey{}, wizard, ProgressRun::Preview(wizard, L"Копирование файлов", L"resources\\app.asar", 46),
        std::nullopt);
}

ProgressPage::ProgressPage(Passkey, Shell::Wizard& wizard, std::shared_ptr<ProgressRun> run,
                           std::optional<Core::FoundInstallation> uninstallTarget)
    : wizard_(wizard), theme_(wizard.Theme), uninstallTarget_(std::move(uninstallTarget)), run_(std::move(run)) {}

int ProgressPage::Step() const { return static_cast<int>(wizard_.State->Steps()->size()) - 1; }

void ProgressPage::Draw(Ui::Canvas& canvas, Ui::Input& input) {
    if (!run_->Started()) run_->Start(ProgressRun::Request::Of(wizard_, uninstallTarget_));
    const Snapshot snapshot = run_->TakeSnapshot();
    const Rect c = Shell::Chrome::ContentRect;
    const float w = c.Right - c.Left;
    const std::wstring& product = wizard_.Manifest->ProductName;

    const std::wstring title = uninstallTarget_        ? L"Удаляем " + product
                               : wizard_.HasExisting() ? L"Обновляем " + product
                                                       : L"Устанавливаем " + product;
    const wchar_t* subtitle = uninstallTarget_ ? L"Удаляем файлы, ярлыки и записи в системе."
                                               : L"Это займёт меньше минуты. Не выключайте компьютер.";
    const TextStyle titleStyle = TitleStyle(theme_);
    const TextStyle subtitleStyle = Layout::BodyStyle(theme_);
    const float titleH = MeasureRounded(canvas, title, titleStyle, w - HeadingIndent).second;
    const float subtitleH = MeasureRounded(canvas, subtitle, subtitleStyle, w - HeadingIndent).second;
    const float headH = titleH + HeadingGap + subtitleH;

    const float footerTop = Layout::FooterRect(c).Top;
    const float block = std::max(SpinnerSize, headH) + BlockBelowHeading + (showLog_ ? JournalBlock : 0);
    const float y = Layout::MainBlockTop(c, block, BlockGap);

    DrawSpinner(canvas, {c.Left, y, c.Left + SpinnerSize, y + SpinnerSize});

    // Not rounded: a heading taller than the spinner rises above its top.
    const float x = c.Left + HeadingIndent;
    const float top = y + (SpinnerSize - headH) / 2;
    canvas.DrawText(title, {x, top, c.Right, top + titleH}, titleStyle);
    const float subtitleTop = top + titleH + HeadingGap;
    canvas.DrawText(subtitle, {x, subtitleTop, c.Right, subtitleTop + subtitleH}, subtitleStyle);

    const float y1 = y + StatusTop;
    const TextStyle statusStyle = StatusStyle(theme_);
    const float statusH = Ui::Geometry::RoundHalfEven(canvas.Measure(snapshot.Status, statusStyle, Unbounded).second);
    canvas.DrawText(snapshot.Status, {c.Left, y1, c.Left + w - StatusInset, y1 + statusH}, statusStyle);
    canvas.DrawText(PercentText(snapshot.Percent), {c.Left, y1, c.Right, y1 + statusH}, PercentStyle(theme_));

    const float y2 = y1 + statusH + BarGap;
    canvas.FillRoundedRect({c.Left, y2, c.Right, y2 + BarHeight}, BarRadius, theme_.Track);
    // NaN stays NaN through the clamp and draws no fill.
    const double fill = w * std::clamp(snapshot.Percent / 100, 0.0, 1.0);
    if (fill > 0)
        canvas.FillRoundedRect({c.Left, y2, static_cast<float>(c.Left + fill), y2 + BarHeight}, BarRadius,
                               theme_.Accent);

    const float y3 = y2 + DetailGap;
    if (!snapshot.Detail.empty())
        canvas.DrawText(snapshot.Detail, {c.Left, y3, c.Right, y3 + DetailHeight}, DetailStyle(theme_));

    if (showLog_) {
        const float logTop = y3 + DetailHeight + JournalGap;
        DrawLog(canvas, {c.Left, logTop, c.Right, logTop + JournalHeight}, snapshot.Lines);
    }

    if (Layout::FooterLink(canvas, input, theme_, c, showLog_ ? L"Скрыть журнал" : L"Показать журнал"))
        showLog_ = !showLog_;

    Ui::Widgets widgets{theme_, canvas, input};
    const float cancelW =
        Layout::SecondaryButtonWidth(MeasureRounded(canvas, CancelLabel, widgets.LabelStyle(), Unbounded).first);
    if (widgets.SecondaryButton({c.Right - cancelW, footerTop, c.Right, footerTop + Layout::FooterHeight}, CancelLabel,
                                !run_->Cancelling()))
        run_->Cancel();
}

void ProgressPage::DrawSpinner(Ui::Canvas& canvas, const Rect& r) const {
    const float cx = (r.Left + r.Right) / 2;
    const float cy = (r.Top + r.Bottom) / 2;
    const float radius = (r.Right - r.Left) / 2;
    canvas.StrokeCircle(cx, cy, radius, theme_.Track, SpinnerRing);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - clock_).count();
    const double phase = std::fmod(seconds / SpinnerTurn * 360, 360);
    const float orbit = radius - SpinnerDotRadius;
    for (int i = 0; i < SpinnerDots; ++i) {
        const double angle = (i * SpinnerDotStep + phase) * std::numbers::pi / 180;
        canvas.FillCircle(cx + static_cast<float>(std::cos(angle)) * orbit,
                          cy + static_cast<float>(std::sin(angle)) * orbit, SpinnerDotRadius, theme_.Accent);
    }
}

void ProgressPage::DrawLog(Ui::Canvas& canvas, const Rect& r, const std::vector<std::wstring>& lines) const {
    canvas.FillRoundedRect(r, JournalRadius, theme_.Panel);
    canvas.StrokeRoundedRect(r, JournalRadius, theme_.Border, 1);
    canvas.PushAxisAlignedClip(r);
    const TextStyle style = JournalStyle(theme_);
    const float width = r.Right - r.Left - 2 * JournalInset;
    float bottom = r.Bottom - JournalBottomInset;
    for (auto line = lines.rbegin(); line != lines.rend() && bottom > r.Top; ++line) {
        const float h = MeasureRounded(canvas, *line, style, width).second;
        bottom -= h + JournalLineGap;
        canvas.DrawText(*line, {r.Left + JournalInset, bottom, r.Right - JournalInset, bottom + h}, style);
    }
    canvas.PopAxisAlignedClip();
}

std::shared_ptr<Shell::IPage> MakeInstallProgressPage(Shell::Wizard& wizard) {
    return ProgressPage::Create(wizard, wizard.Engines, std::nullopt);
}

std::shared_ptr<Shell::IPage> MakeUninstallProgressPage(Shell::Wizard& wizard, Core::FoundInstallation target) {
    return ProgressPage::Create(wizard, wizard.Engines, std::move(target));
}

std::shared_ptr<Shell::IPage> MakePreviewProgressPage(Shell::Wizard& wizard) {
    return ProgressPage::CreatePreview(wizard);
}

}  // namespace Ravenquill::Pages
