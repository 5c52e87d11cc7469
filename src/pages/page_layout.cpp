#include "page_layout.h"

namespace Ravenquill::Pages::Layout {
namespace {

float NaturalWidth(Ui::Canvas& canvas, std::wstring_view text, const Ui::TextStyle& style) {
    return MeasureRounded(canvas, text, style, Unbounded).first;
}

}  // namespace

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
    const float width = NaturalWidth(canvas, text, LinkStyle(theme, false));
    return Link(canvas, input, theme, {footer.Left, footer.Top, footer.Left + width, footer.Bottom}, text);
}

}  // namespace Ravenquill::Pages::Layout
