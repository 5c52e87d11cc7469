#pragma once
// One frame's pointer, as the window would hand it to the widgets, for the tests that draw
// widgets, the chrome and pages: where the pointer is, whether the left button is held, and
// whether this is the frame of its release (the click).
#include "ui/input.h"
#include "ui/rect.h"

namespace Ravenquill::Testing {

struct Buttons {
    bool Down = false;     // held after a press
    bool Clicked = false;  // the frame drawn for the release
};

// The pointer at (x, y), the buttons as given (up by default).
constexpr Ui::Input PointerAt(float x, float y, Buttons buttons = {}) noexcept {
    Ui::Input input;
    input.X = x;
    input.Y = y;
    input.Down = buttons.Down;
    input.Clicked = buttons.Clicked;
    return input;
}

// The frame of a left-button release at (x, y).
constexpr Ui::Input ClickAt(float x, float y) noexcept { return PointerAt(x, y, {.Clicked = true}); }

// A click 5 px inside the rectangle's top-left corner, clear of a rounded corner.
constexpr Ui::Input ClickAt(const Ui::Rect& r) noexcept { return ClickAt(r.Left + 5, r.Top + 5); }

// A click in the middle of the rectangle.
constexpr Ui::Input ClickInMiddleOf(const Ui::Rect& r) noexcept {
    return ClickAt((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
}

}  // namespace Ravenquill::Testing
