#include "shell/chrome.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "shell/chrome_shadow.h"
#include "ui/geometry.h"
#include "ui/icons.h"
#include "ui/text_style.h"
#include "ui/widget_parts.h"
#include "ui/widgets.h"

namespace Ravenquill::Shell {
namespace {

using Ui::Rect;
using Ui::TextAlign;
using Ui::TextStyle;

constexpr const wchar_t* TextFamily = Ui::WidgetParts::BodyFamily;
using Ui::Geometry::RoundHalfEven;
using Ui::WidgetParts::DisplayFamily;
using Ui::WidgetParts::Regular;
using Ui::WidgetParts::Semibold;
using Ui::WidgetParts::Unbounded;

constexpr float CardRadius = 10;
constexpr Rect SidebarBorder{287, 24, 288, 556};
constexpr Rect LogoTile{52, 54, 92, 94};
constexpr float LogoRadius = 8;
constexpr float HeaderLeft = 104;
constexpr float NameRight = 264;     // a 160-px name box
constexpr float VersionRight = 304;  // a 200-px version box
constexpr float NameVersionGap = 2;
constexpr Rect HeaderSeparator{52, 118, 264, 119};
constexpr float StepsLeft = 52;
constexpr float StepsTop = 143;
constexpr float StepsRight = 264;
constexpr float StepPitch = 42;
constexpr float StepCircleRadius = 12;
constexpr float StepTitleIndent = 36;
constexpr Rect FooterArea{52, 54, 264, 530};
constexpr float PublisherGap = 3;
constexpr Rect MinimizeGlyph{842, 41.5f, 852, 42.5f};
constexpr Rect CloseGlyph{888.5f, 37.5f, 897.5f, 46.5f};
constexpr float GlyphStroke = 1.2f;
constexpr std::uint32_t White = 0xFFFFFFFF;

constexpr float DialogLeft = 250;
constexpr float DialogRight = 690;
constexpr float DialogInset = 24;  // padding of the box on every side
constexpr float DialogTextWidth = 392;
constexpr float DialogRadius = 8;
constexpr float ListMaxHeight = 132;
constexpr float ListRowPitch = 21;
constexpr float ListPadding = 10;
constexpr float ListRowInset = 14;  // each row's text from the list's sides
constexpr float ListRowHeight = 18;
constexpr float TitleMessageGap = 10;
constexpr float ListGap = 14;     // above the list
constexpr float ButtonsGap = 20;  // above the buttons
constexpr float ButtonHeight = 36;
constexpr float ButtonGap = 10;

void DrawSteps(Ui::Canvas& canvas, const ShellState& state, const Ui::Theme& theme, float x, float y, float right) {
    const WizardStepList steps = state.Steps();
    for (const WizardStep& step : *steps) {
        const float cx = x + StepCircleRadius;
        const float cy = y + StepCircleRadius;
        const Rect numberBox{x, y, x + 2 * StepCircleRadius, y + 2 * StepCircleRadius};
        TextStyle number(TextFamily, 11.5f, Semibold, theme.OnAccent, false, 0, false, TextAlign::Center);
        TextStyle title(TextFamily, 13, Regular, theme.TextMuted);
        if (step.IsActive) {
            canvas.FillCircle(cx, cy, StepCircleRadius, theme.Accent);
            canvas.DrawTextVCenter(std::to_wstring(step.Number), numberBox, number);
            title.Weight = Semibold;
            title.Color = theme.Text;
        } else if (step.IsCompleted) {
            canvas.StrokeCircle(cx, cy, StepCircleRadius, theme.Accent, 1);
            canvas.DrawPath(Ui::Icons::CheckMark, Rect{cx - 5.5f, cy - 4.5f, cx + 5.5f, cy + 4.5f}, theme.Accent, 1.8f);
            title.Color = theme.TextSecondary;
        } else {
            canvas.StrokeCircle(cx, cy, StepCircleRadius, theme.StrongBorder, 1);
            number.Color = theme.TextMuted;
            canvas.DrawTextVCenter(std::to_wstring(step.Number), numberBox, number);
        }
        canvas.DrawTextVCenter(step.Title, Rect{x + StepTitleIndent, y, right, y + 2 * StepCircleRadius}, title);
        y += StepPitch;
    }
}

// The credit on the area's bottom edge, the publisher 3 px above it.
void DrawFooter(Ui::Canvas& canvas, const ShellState& state, const Ui::Theme& theme, const Rect& area) {
    static constexpr wchar_t Credit[] = L"создано в Ravenquill";
    const TextStyle credit(TextFamily, 11.5f, Regular, theme.TextMuted);
    const TextStyle publisher(TextFamily, 11.5f, Regular, theme.TextSecondary);
    const float ch = RoundHalfEven(canvas.Measure(Credit, credit, Unbounded).second);
    const float ph = RoundHalfEven(canvas.Measure(state.Publisher, publisher, Unbounded).second);
    canvas.DrawText(Credit, Rect{area.Left, area.Bottom - ch, area.Right, area.Bottom}, credit);
    const float publisherBottom = area.Bottom - ch - PublisherGap;
    canvas.DrawText(state.Publisher, Rect{area.Left, publisherBottom - ph, area.Right, publisherBottom}, publisher);
}

void DrawSidebar(Ui::Canvas& canvas, const ShellState& state, const Ui::Theme& theme) {
    // The card's rounded clip rounds the sidebar's left corners.
    canvas.FillRect(Chrome::SidebarRect, theme.Sidebar);
    canvas.FillRect(SidebarBorder, theme.Border);

    if (state.Logo) {
        canvas.PushRoundedClip(LogoTile, LogoRadius);
        canvas.DrawBitmap(*state.Logo, LogoTile);
        canvas.PopLayer();
    } else {
        canvas.FillRoundedRect(LogoTile, LogoRadius, theme.Accent);
        canvas.DrawTextVCenter(
            state.Monogram, LogoTile,
            TextStyle(DisplayFamily, 18, Semibold, theme.OnAccent, false, 0, false, TextAlign::Center));
    }

    const TextStyle name(DisplayFamily, 15, Semibold, theme.Text, false, 0, true);
    const TextStyle version(TextFamily, 11.5f, Regular, theme.TextMuted);
    const std::wstring versionText = L"версия " + state.Version;
    const float nh = RoundHalfEven(canvas.Measure(state.ProductName, name, NameRight - HeaderLeft).second);
    const float vh = RoundHalfEven(canvas.Measure(versionText, version, Unbounded).second);
    // Name, gap and version as one block centred on the tile.
    const float top = LogoTile.Top + (LogoTile.Height() - (nh + NameVersionGap + vh)) / 2;
    canvas.DrawText(state.ProductName, Rect{HeaderLeft, top, NameRight, top + nh}, name);
    const float versionTop = top + nh + NameVersionGap;
    canvas.DrawText(versionText, Rect{HeaderLeft, versionTop, VersionRight, versionTop + vh}, version);

    canvas.FillRect(HeaderSeparator, theme.Border);
    DrawSteps(canvas, state, theme, StepsLeft, StepsTop, StepsRight);
    DrawFooter(canvas, state, theme, FooterArea);
}

// Hover fills only; the buttons have no pressed look.
void DrawCaptionButtons(Ui::Canvas& canvas, const ShellState& state, const Ui::Theme& theme) {
    if (state.CaptionHover == 1) canvas.FillRect(Chrome::MinimizeButtonRect, theme.Hover);
    if (state.CaptionHover == 2) canvas.FillRect(Chrome::CloseButtonRect, theme.CloseHover);
    canvas.DrawPath(Ui::Icons::Minimize, MinimizeGlyph, state.CaptionHover == 1 ? theme.Text : theme.TextSecondary,
                    GlyphStroke);
    canvas.DrawPath(Ui::Icons::Close, CloseGlyph, state.CaptionHover == 2 ? White : theme.TextSecondary, GlyphStroke);
}

}  // namespace

void Chrome::Draw(Ui::Canvas& canvas, const ShellState& state, const std::function<void(Ui::Canvas&)>& content) {
    if (!shadow_)
        shadow_ =
            canvas.CreateBitmap(ChromeShadow::Width, ChromeShadow::Height, ChromeShadow::Pixels(Theme.ShadowOpacity));
    canvas.DrawBitmap(*shadow_, Rect{0, 0, WindowWidth, WindowHeight});

    canvas.FillRoundedRect(CardRect, CardRadius, Theme.Background);
    canvas.PushRoundedClip(CardRect, CardRadius);
    DrawSidebar(canvas, state, Theme);
    DrawCaptionButtons(canvas, state, Theme);
    if (content) content(canvas);
    canvas.PopLayer();
    canvas.StrokeRoundedRect(CardRect, CardRadius, Theme.Border, 1);
}

void Chrome::DrawDialog(Ui::Canvas& canvas, Ui::Input& input, const Ui::Theme& theme, const Dialog& dialog) {
    canvas.FillRect(CardRect, theme.Scrim);

    const TextStyle title(DisplayFamily, 17, Semibold, theme.Text, true);
    const TextStyle message(TextFamily, 13.5f, Regular, theme.TextSecondary, true, 20);
    const TextStyle item(TextFamily, 13, Regular, theme.Text, false, 0, true);
    const float th = RoundHalfEven(canvas.Measure(dialog.Title, title, DialogTextWidth).second);
    const float mh = RoundHalfEven(canvas.Measure(dialog.Message, message, DialogTextWidth).second);
    const std::size_t n = dialog.Items.size();
    const float listH = n > 0 ? std::min(ListMaxHeight, ListRowPitch * static_cast<float>(n) + 2 * ListPadding) : 0;

    const float height = DialogInset + th + TitleMessageGap + mh + (n > 0 ? ListGap + listH : 0) + ButtonsGap +
                         ButtonHeight + DialogInset;
    // Centred in the card's height, on a whole pixel.
    const float top = std::floor(CardRect.Top + (CardRect.Height() - height) / 2);
    const Rect box{DialogLeft, top, DialogRight, top + height};
    canvas.FillRoundedRect(box, DialogRadius, theme.Background);
    canvas.StrokeRoundedRect(box, DialogRadius, theme.StrongBorder, 1);

    const float left = DialogLeft + DialogInset;
    const float right = DialogRight - DialogInset;
    float y = top + DialogInset;
    canvas.DrawText(dialog.Title, Rect{left, y, right, y + th}, title);
    y += th + TitleMessageGap;
    canvas.DrawText(dialog.Message, Rect{left, y, right, y + mh}, message);
    y += mh;

    if (n > 0) {
        y += ListGap;
        const Rect list{left, y, right, y + listH};
        canvas.FillRoundedRect(list, DialogRadius, theme.Panel);
        canvas.StrokeRoundedRect(list, DialogRadius, theme.Border, 1);
        // Rows past the box's height are cut off: the list does not scroll.
        canvas.PushAxisAlignedClip(list);
        float rowTop = y + ListPadding;
        for (const std::wstring& line : dialog.Items) {
            canvas.DrawText(line, Rect{left + ListRowInset, rowTop, right - ListRowInset, rowTop + ListRowHeight},
                            item);
            rowTop += ListRowPitch;
        }
        canvas.PopAxisAlignedClip();
        y += listH;
    }

    Ui::Widgets widgets{theme, canvas, input};
    const float buttonsTop = y + ButtonsGap;
    const float pw = Ui::WidgetParts::PrimaryButtonWidth(
        RoundHalfEven(canvas.Measure(dialog.PrimaryText, widgets.PrimaryLabelStyle(), Unbounded).first));
    const Rect primary{right - pw, buttonsTop, right, buttonsTop + ButtonHeight};
    // The primary button is handled first: its action may close or replace the dialog, whose
    // object the frame keeps alive until it ends.
    if (widgets.PrimaryButton(primary, dialog.PrimaryText, true)) dialog.OnPrimary();
    if (!dialog.SecondaryText.empty()) {
        const float sw = Ui::WidgetParts::SecondaryButtonWidth(
            RoundHalfEven(canvas.Measure(dialog.SecondaryText, widgets.LabelStyle(), Unbounded).first));
        const Rect secondary{primary.Left - ButtonGap - sw, buttonsTop, primary.Left - ButtonGap,
                             buttonsTop + ButtonHeight};
        if (widgets.SecondaryButton(secondary, dialog.SecondaryText, true)) dialog.OnSecondary();
    }
}

}  // namespace Ravenquill::Shell
