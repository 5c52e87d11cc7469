// The check box: a 19-px box and a label; the whole rectangle is the hit area.
#include "canvas.h"
#include "icons.h"
#include "widget_parts.h"

namespace Ravenquill::Ui {

using namespace WidgetParts;

bool Canvas::Checkbox(Input& input, const Theme& theme, const Rect& rect, std::wstring_view label, bool checked,
                      bool enabled) {
    const auto [hovered, clicked] = input.Track(rect, enabled);
    const Rect box{rect.Left, rect.Top + 1, rect.Left + BoxSize, rect.Top + 1 + BoxSize};
    if (checked) FillRoundedRect(box, BoxRadius, hovered ? theme.AccentHover : theme.Accent);
    const std::uint32_t outline = checked ? theme.Accent : hovered ? theme.TextSecondary : theme.StrongBorder;
    StrokeRoundedRect(box, BoxRadius, outline, BoxOutline);
    if (checked) {
        const Rect mark{rect.Left + 4.5f, rect.Top + 6.5f, rect.Left + 14.5f, rect.Top + 14.5f};
        DrawPath(Icons::SmallCheckMark, mark, theme.OnAccent, CheckMarkStroke);
    }
    const TextStyle style(BodyFamily, LabelSize, Regular, enabled ? theme.Text : theme.TextMuted);
    DrawTextVCenter(label, Rect{rect.Left + 31, rect.Top, rect.Right, rect.Bottom}, style);
    return clicked;
}

}  // namespace Ravenquill::Ui
