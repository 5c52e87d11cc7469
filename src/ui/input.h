#pragma once
// The pointer state that the widgets read while a frame is drawn. The window writes X, Y, Wheel,
// Down and Clicked and clears Hot before every frame; the widgets set Hot, and ClickTaken (or
// WheelTaken) once one of them has acted on the click (or the wheel): a frame drawn again after a
// lost device must not act twice. A
// default-constructed Input is the inert input: the pointer is outside the window and nothing is
// hovered or clicked.
#include "rect.h"

namespace Ravenquill::Ui {

// What the pointer does to one clickable area in this frame.
struct PointerOver {
    bool Hovered = false;
    bool Clicked = false;
};

struct Input {
    float X = -1;          // pointer x in logical pixels; -1 outside the window
    float Y = -1;          // pointer y in logical pixels; -1 outside the window
    float Wheel = 0;       // notches of the last wheel message, positive away from the user
    bool Down = false;     // left button held after a press over a widget or caption button
    bool Clicked = false;  // set only during the one frame drawn for a left-button release
    bool Hot = false;      // something clickable lies under the pointer in this frame

    // A clickable area has acted on this frame's click.
    bool ClickTaken = false;
    // A scrollable area has applied this frame's wheel notches.
    bool WheelTaken = false;

    // Half-open: the left and top edges are inside, the right and bottom edges outside. NaN
    // coordinates hit nothing.
    constexpr bool Hit(const Rect& r) const noexcept {
        return X >= r.Left && X < r.Right && Y >= r.Top && Y < r.Bottom;
    }

    // The one sequence every clickable area follows: an enabled area under the pointer is hovered
    // and marks the pointer Hot (hand cursor, no window drag); it is clicked when this is the
    // release frame. A disabled area ignores the pointer.
    constexpr PointerOver Track(const Rect& r, bool enabled = true) noexcept {
        const bool hovered = enabled && Hit(r);
        if (hovered) Hot = true;
        if (hovered && Clicked) ClickTaken = true;
        return {hovered, hovered && Clicked};
    }

    // The wheel notches for a scrollable area: this frame's when the pointer is over it, else 0.
    // Taken notches are not applied again by a frame drawn once more (after a lost device).
    constexpr float TakeWheel(const Rect& r) noexcept {
        if (Wheel == 0 || !Hit(r)) return 0;
        WheelTaken = true;
        return Wheel;
    }

    static constexpr Input Inert() noexcept { return Input{}; }
};

}  // namespace Ravenquill::Ui
