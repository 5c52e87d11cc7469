#include "page_layout.h"

namespace Ravenquill::Pages::Layout {

float NaturalWidth(Ui::Canvas& canvas, std::wstring_view text, const Ui::TextStyle& style) {
    return RoundPixel(canvas.Measure(text, style, Unlimited).first);
}

float RoundedHeight(Ui::Canvas& canvas, std::wstring_view text, const Ui::TextStyle& style, float maxWidth) {
    return RoundPixel(canvas.Measure(text, style, maxWidth).second);
}

FooterButtons LayoutFooterButtons(Ui::Canvas& canvas, const Ui::Widgets& widgets, const Ui::Rect& content,
                                  std::wstring_view primaryLabel, std::wstring_view secondaryLabel) {
    const Ui::Rect footer = FooterRect(content);
    const float pw = PrimaryButtonWidth(NaturalWidth(canvas, primaryLabel, widgets.PrimaryLabelStyle()));
    const float sw = SecondaryButtonWidth(NaturalWidth(canvas, secondaryLabel, widgets.LabelStyle()));
    const float secondaryRight = footer.Right - pw - FooterButtonGap;
    return {{footer.Right - pw, footer.Top, footer.Right, footer.Bottom},
            {secondaryRight - sw, footer.Top, secondaryRight, footer.Bottom}};
}

bool FooterLink(Ui::Canvas& canvas, Ui::Input& input, const Ui::Theme& theme, const Ui::Rect& content,
                std::wstring_view text) {
    const Ui::Rect footer = FooterRect(content);
    const Ui::TextStyle idle = LinkStyle(theme, false);
    const Ui::Rect rect{footer.Left, footer.Top, footer.Left + NaturalWidth(canvas, text, idle), footer.Bottom};
    const auto [hovered, clicked] = input.Track(rect);
    canvas.DrawTextVCenter(text, rect, hovered ? LinkStyle(theme, true) : idle);
    return clicked;
}

}  // namespace Ravenquill::Pages::Layout
