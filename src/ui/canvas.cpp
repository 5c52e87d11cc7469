#include "canvas.h"

namespace Ravenquill::Ui {

void Canvas::DrawTextVCenter(std::wstring_view text, const Rect& rect, const TextStyle& style) {
    if (text.empty()) return;
    const float h = Measure(text, style, rect.Width()).second;
    const float t = rect.Top + (rect.Height() - h) / 2;
    DrawText(text, Rect{rect.Left, t, rect.Right, t + h}, style);
}

}  // namespace Ravenquill::Ui
