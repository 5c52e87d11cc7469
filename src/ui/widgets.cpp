#include "widgets.h"

#include "widget_parts.h"

namespace Ravenquill::Ui {

using namespace WidgetParts;

TextStyle Widgets::PrimaryLabelStyle() const { return TextStyle(BodyFamily, LabelSize, Semibold, Theme.OnAccent); }

TextStyle Widgets::LabelStyle() const { return TextStyle(BodyFamily, LabelSize, Regular, Theme.Text); }

bool Widgets::PrimaryButton(const Rect& rect, std::wstring_view label, bool enabled) {
    const auto [hovered, clicked] = Input.Track(rect, enabled);
    const bool pressed = hovered && Input.Down;
    // A press dragged off the button shows the idle accent: releasing there does nothing.
    const std::uint32_t fill = !enabled  ? Theme.Hover
                               : pressed ? Theme.AccentPressed
                               : hovered ? Theme.AccentHover
                                         : Theme.Accent;
    Canvas.FillRoundedRect(rect, ButtonRadius, fill);
    TextStyle style = PrimaryLabelStyle();
    style.Color = enabled ? Theme.OnAccent : Theme.TextMuted;
    style.Align = TextAlign::Center;
    Canvas.DrawTextVCenter(label, rect, style);
    return clicked;
}

bool Widgets::SecondaryButton(const Rect& rect, std::wstring_view label, bool enabled) {
    const auto [hovered, clicked] = Input.Track(rect, enabled);
    const std::uint32_t fill = hovered && Input.Down ? Theme.Panel : hovered ? Theme.Hover : Theme.Control;
    Canvas.FillRoundedRect(rect, ButtonRadius, fill);
    Canvas.StrokeRoundedRect(rect, ButtonRadius, Theme.StrongBorder, 1);
    TextStyle style = LabelStyle();
    style.Align = TextAlign::Center;
    Canvas.DrawTextVCenter(label, rect, style);
    return clicked;
}

bool Widgets::TextButton(const Rect& rect, std::wstring_view label) {
    const auto [hovered, clicked] = Input.Track(rect);
    if (hovered) Canvas.FillRoundedRect(rect, ButtonRadius, Theme.Hover);
    TextStyle style = LabelStyle();
    style.Color = hovered ? Theme.Text : Theme.TextSecondary;
    style.Align = TextAlign::Center;
    Canvas.DrawTextVCenter(label, rect, style);
    return clicked;
}

}  // namespace Ravenquill::Ui
