// The component row: one payload component with its check box, name, description and size, and
// the height a row needs for its description.
#include "canvas.h"
#include "core/common/text.h"
#include "geometry.h"
#include "icons.h"
#include "widget_parts.h"

namespace Ravenquill::Ui {
namespace {

using namespace WidgetParts;

// A row without a description: the name line and the padding around the box.
constexpr float BareRowHeight = 43;
// Padding above the name and below the description, plus the name line and its gap.
constexpr float RowChrome = 34 + 12;

TextStyle DescriptionStyle(const Theme& theme) {
    return TextStyle(BodyFamily, DescriptionSize, Regular, theme.TextMuted, true);
}

}  // namespace

bool Canvas::ComponentRow(Input& input, const Theme& theme, const Rect& rect, std::wstring_view name,
                          std::wstring_view description, std::wstring_view sizeText, bool checked, bool locked) {
    FillRoundedRect(rect, CardRadius, theme.Panel);
    StrokeRoundedRect(rect, CardRadius, theme.Border, 1);
    const TextStyle sizeStyle(BodyFamily, DescriptionSize, Regular, theme.TextMuted, false, 0, false, TextAlign::Right);
    DrawText(sizeText, Rect{rect.Right - 114, rect.Top + 13, rect.Right - 14, rect.Top + 29}, sizeStyle);

    // A locked component (one that is always installed) ignores the pointer.
    const auto [hovered, clicked] = input.Track(rect, !locked);
    const Rect box{rect.Left + 14, rect.Top + 13, rect.Left + 14 + BoxSize, rect.Top + 13 + BoxSize};
    if (checked) {
        FillRoundedRect(box, BoxRadius, locked ? theme.AccentSoft : hovered ? theme.AccentHover : theme.Accent);
        StrokeRoundedRect(box, BoxRadius, locked ? theme.StrongBorder : theme.Accent, BoxOutline);
        const Rect mark{rect.Left + 18.5f, rect.Top + 18.5f, rect.Left + 28.5f, rect.Top + 26.5f};
        DrawPath(Icons::SmallCheckMark, mark, locked ? theme.TextMuted : theme.OnAccent, CheckMarkStroke);
    } else {
        StrokeRoundedRect(box, BoxRadius, hovered ? theme.TextSecondary : theme.StrongBorder, BoxOutline);
    }

    const float left = rect.Left + 45;
    const float w = rect.Right - 120 - left;
    // One line, cut with the ellipsis sign where it would run into the size text.
    const TextStyle nameStyle(BodyFamily, LabelSize, Semibold, locked ? theme.TextMuted : theme.Text, false, 0, true);
    const float nh = Geometry::RoundHalfEven(Measure(name, nameStyle, Unbounded).second);
    const float nameTop = rect.Top + 12;
    DrawText(name, Rect{left, nameTop, left + w, nameTop + nh}, nameStyle);
    if (!Text::IsNullOrWhiteSpace(description)) {
        const TextStyle descriptionStyle = DescriptionStyle(theme);
        const float dh = Geometry::RoundHalfEven(Measure(description, descriptionStyle, w).second);
        const float top = nameTop + nh + 3;
        DrawText(description, Rect{left, top, left + w, top + dh}, descriptionStyle);
    }

    return clicked;
}

float Canvas::ComponentRowHeight(const Theme& theme, std::wstring_view description, float width) {
    if (Text::IsNullOrWhiteSpace(description)) return BareRowHeight;
    return Geometry::RoundHalfEven(Measure(description, DescriptionStyle(theme), width).second) + RowChrome;
}

}  // namespace Ravenquill::Ui
