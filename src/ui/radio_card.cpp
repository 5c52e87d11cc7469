// The option card: one choice among several (per-user or per-machine), a ring, a title and a
// description centred together in the card.
#include "canvas.h"
#include "geometry.h"
#include "widget_parts.h"

namespace Ravenquill::Ui {

using namespace WidgetParts;

bool Canvas::RadioCard(Input& input, const Theme& theme, const Rect& rect, std::wstring_view title,
                       std::wstring_view description, bool selected) {
    const auto [hovered, clicked] = input.Track(rect);
    FillRoundedRect(rect, CardRadius, selected ? theme.AccentSoft : theme.Panel);
    const std::uint32_t outline = selected ? theme.Accent : hovered ? theme.StrongBorder : theme.Border;
    StrokeRoundedRect(rect, CardRadius, outline, 1);

    const float cx = rect.Left + 23;
    const float cy = rect.Top + 21;
    StrokeCircle(cx, cy, 9, selected ? theme.Accent : theme.StrongBorder, 1.4f);
    if (selected) FillCircle(cx, cy, 4, theme.Accent);

    const float left = rect.Left + 44;
    const float w = rect.Right - 14 - left;
    const TextStyle titleStyle(BodyFamily, LabelSize, Semibold, theme.Text);
    const TextStyle descriptionStyle(BodyFamily, DescriptionSize, Regular, theme.TextMuted, true);
    const float th = Geometry::RoundHalfEven(Measure(title, titleStyle, Unbounded).second);
    const float dh = Geometry::RoundHalfEven(Measure(description, descriptionStyle, w).second);
    // Title, a 2-px gap and the description form one block, centred vertically in the card.
    const float top = rect.Top + (rect.Height() - (th + 2 + dh)) / 2;
    DrawText(title, Rect{left, top, left + w, top + th}, titleStyle);
    DrawText(description, Rect{left, top + th + 2, left + w, top + th + 2 + dh}, descriptionStyle);

    return clicked;
}

}  // namespace Ravenquill::Ui
