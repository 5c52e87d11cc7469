#pragma once
// The layout every page shares: the footer band with its right-aligned buttons, the vertical
// centring of a page's main block, and the text styles of titles, body text and links.
#include <algorithm>
#include <cmath>
#include <string_view>
#include <utility>

#include "shell/chrome.h"
#include "ui/canvas.h"
#include "ui/geometry.h"
#include "ui/input.h"
#include "ui/rect.h"
#include "ui/text_style.h"
#include "ui/theme.h"
#include "ui/widget_parts.h"
#include "ui/widgets.h"

namespace Ravenquill::Pages::Layout {

using Ui::WidgetParts::BodyFamily;
using Ui::WidgetParts::DisplayFamily;
using Ui::WidgetParts::MonoFamily;
using Ui::WidgetParts::PrimaryButtonWidth;
using Ui::WidgetParts::Regular;
using Ui::WidgetParts::SecondaryButtonWidth;
using Ui::WidgetParts::Semibold;
using Ui::WidgetParts::Unbounded;

inline constexpr float FooterHeight = 36;
inline constexpr float FooterButtonGap = 12;

inline constexpr float TitleSize = 26;
inline constexpr float CompactTitleSize = 19;  // options and progress pages
inline constexpr float BodySize = 13.5f;
inline constexpr float BodyLineHeight = 20;
inline constexpr float BodyWrapInset = 20;  // body text wraps at the content width minus this
inline constexpr float LinkSize = 13;

// The footer band: the last 36 px of the content rectangle.
inline Ui::Rect FooterRect(const Ui::Rect& content) {
    return {content.Left, content.Bottom - FooterHeight, content.Right, content.Bottom};
}

// A text's measured size as a layout uses it: whole pixels, halves to even.
inline std::pair<float, float> MeasureRounded(Ui::Canvas& canvas, std::wstring_view text, const Ui::TextStyle& style,
                                              float maxWidth) {
    return Ui::Geometry::RoundSize(canvas.Measure(text, style, maxWidth));
}

// The top of a page's main block: centred between the content's top and the footer's top minus
// the page's gap, never above the content's top, rounded down to a whole pixel.
inline float MainBlockTop(const Ui::Rect& content, float blockHeight, float gap) {
    const float footerTop = content.Bottom - FooterHeight;
    const float top = content.Top + (footerTop - gap - content.Top - blockHeight) / 2;
    return std::floor(std::max(content.Top, top));
}

// Wrapped: a long product name takes a second line rather than running past the content.
inline Ui::TextStyle TitleStyle(const Ui::Theme& theme, float size = TitleSize) {
    return Ui::TextStyle(DisplayFamily, size, Semibold, theme.Text, true);
}
// Wrapped body text; draw it at the content width minus BodyWrapInset.
inline Ui::TextStyle BodyStyle(const Ui::Theme& theme) {
    return Ui::TextStyle(BodyFamily, BodySize, Regular, theme.TextSecondary, true, BodyLineHeight);
}
inline Ui::TextStyle LinkStyle(const Ui::Theme& theme, bool hovered) {
    return Ui::TextStyle(BodyFamily, LinkSize, Regular, hovered ? theme.Text : theme.TextSecondary);
}

// A text link vertically centred in its rectangle: in the link style, and in the primary text colour
// with the hand cursor while the pointer is over it. Answers whether it was clicked in this frame.
inline bool Link(Ui::Canvas& canvas, Ui::Input& input, const Ui::Theme& theme, const Ui::Rect& rect,
                 std::wstring_view text) {
    const auto [hovered, clicked] = input.Track(rect);
    canvas.DrawTextVCenter(text, rect, LinkStyle(theme, hovered));
    return clicked;
}

// The footer's right-aligned pair: the primary button at the content's right edge and, 12 px to its
// left, a secondary or text button; each as wide as its label asks.
struct FooterButtons {
    Ui::Rect Primary;
    Ui::Rect Secondary;
};
FooterButtons LayoutFooterButtons(Ui::Canvas& canvas, const Ui::Widgets& widgets, const Ui::Rect& content,
                                  std::wstring_view primaryLabel, std::wstring_view secondaryLabel);

// A Link at the footer's left edge, the footer's height and as wide as the text.
bool FooterLink(Ui::Canvas& canvas, Ui::Input& input, const Ui::Theme& theme, const Ui::Rect& content,
                std::wstring_view text);

}  // namespace Ravenquill::Pages::Layout
