#include "shell/window_input.h"

#include <cmath>
#include <utility>

#include "shell/chrome.h"

namespace Ravenquill::Shell::WindowInput {

int HitTestCaption(float x, float y) noexcept {
    Ui::Input point;
    point.X = x;
    point.Y = y;
    if (point.Hit(Chrome::CloseButtonRect)) return CloseButton;
    if (point.Hit(Chrome::MinimizeButtonRect)) return MinimizeButton;
    return NoCaptionButton;
}

float ScaleForDpi(std::uint32_t dpi) noexcept { return dpi == 0 ? 1.0f : static_cast<float>(dpi) / 96.0f; }

float ToLogical(int device, float scale) noexcept { return static_cast<float>(device) / scale; }

std::pair<int, int> PointFromLParam(std::intptr_t lParam) noexcept {
    const auto bits = static_cast<std::uintptr_t>(lParam);
    return {static_cast<std::int16_t>(bits & 0xFFFF), static_cast<std::int16_t>((bits >> 16) & 0xFFFF)};
}

float WheelNotches(std::uintptr_t wParam) noexcept {
    return static_cast<float>(static_cast<std::int16_t>((wParam >> 16) & 0xFFFF)) / 120.0f;
}

TimerChange DecideTimer(bool pageAnimated, bool dialogOpen, bool minimised, bool timerRunning) noexcept {
    const bool wanted = pageAnimated && !dialogOpen && !minimised;
    if (wanted == timerRunning) return TimerChange::None;
    return wanted ? TimerChange::Start : TimerChange::Stop;
}

bool IsSecondClick(const DoubleClickZone& zone, float clickX, float clickY, std::uint32_t clickMs, float x, float y,
                   std::uint32_t pressMs) noexcept {
    // Unsigned arithmetic: the tick count wraps around after 49.7 days, and a press is never earlier
    // than the click before it.
    const std::uint32_t elapsed = pressMs - clickMs;
    return elapsed <= zone.TimeMs && std::fabs(x - clickX) <= zone.Width / 2 &&
           std::fabs(y - clickY) <= zone.Height / 2;
}

void Pointer::Move(float x, float y, const Frame& frame) {
    Input.X = x;
    Input.Y = y;
    CaptionHover = HitTestCaption(x, y);
    frame();
}

bool Pointer::IgnoresPress(float x, float y, std::uint32_t timeMs) noexcept {
    const std::optional<DoubleClickZone> guard = std::exchange(guard_, std::nullopt);
    releaseIgnored_ = guard && IsSecondClick(*guard, lastClick_.X, lastClick_.Y, lastClick_.TimeMs, x, y, timeMs);
    return releaseIgnored_;
}

PointerOutcome Pointer::Press(float x, float y, std::uint32_t timeMs, const Frame& frame) {
    Input.X = x;
    Input.Y = y;
    if (IgnoresPress(x, y, timeMs)) {
        // Drawn for the position only: no pressed look, and no drag either.
        frame();
        return PointerOutcome::None;
    }
    frame();
    if (!Input.Hot && HitTestCaption(x, y) == NoCaptionButton) return PointerOutcome::Drag;
    Input.Down = true;
    frame();
    return PointerOutcome::None;
}

void Pointer::SecondPress(float x, float y, std::uint32_t timeMs) { IgnoresPress(x, y, timeMs); }

PointerOutcome Pointer::Release(float x, float y, std::uint32_t timeMs, const Frame& frame) {
    Input.X = x;
    Input.Y = y;
    if (std::exchange(releaseIgnored_, false)) {
        Input.Down = false;
        frame();
        return PointerOutcome::None;
    }
    lastClick_ = {x, y, timeMs};
    switch (HitTestCaption(x, y)) {
        case CloseButton:
            return PointerOutcome::Close;
        case MinimizeButton:
            Input.Down = false;
            return PointerOutcome::Minimize;
        default:
            break;
    }
    Input.Clicked = true;
    Input.ClickTaken = false;
    frame();
    Input.Clicked = false;
    Input.Down = false;
    frame();
    return PointerOutcome::None;
}

void Pointer::ClickChangedView(const DoubleClickZone& zone) noexcept { guard_ = zone; }

void Pointer::Leave(const Frame& frame) {
    Input.X = -1;
    Input.Y = -1;
    Input.Down = false;
    CaptionHover = NoCaptionButton;
    frame();
}

void Pointer::Wheel(float notches, const Frame& frame) {
    Input.Wheel = notches;
    Input.WheelTaken = false;
    frame();
    Input.Wheel = 0;
}

void Pointer::FrameDrawn() noexcept {
    Input.Clicked = false;
    Input.Wheel = 0;
}

void Pointer::DeviceRecreated() noexcept {
    if (Input.ClickTaken) Input.Clicked = false;
    if (Input.WheelTaken) Input.Wheel = 0;
}

void FrameGate::Draw(const std::function<void()>& frame) {
    if (drawing_) {
        pending_ = true;
        return;
    }
    drawing_ = true;
    struct Reset {
        FrameGate& gate;
        ~Reset() {
            gate.drawing_ = false;
            gate.pending_ = false;
        }
    } reset{*this};
    do {
        pending_ = false;
        frame();
    } while (pending_);
}

bool RedrawRequests::Request() noexcept {
    // Marked before the timer is looked at: a timer stopped meanwhile sees the mark (AnimationChanged),
    // and so does the frame of a window restored meanwhile, which begins after the mark.
    wanted_ = true;
    if (animationDraws_ || minimised_) return false;
    return !wakeUp_.exchange(true);
}

bool RedrawRequests::WokenUp() noexcept {
    if (!animationDraws_ && !minimised_) return true;
    wakeUp_ = false;
    return false;
}

bool RedrawRequests::TimerFired() noexcept {
    // Cleared before the mark is read: a request made meanwhile either sees it clear and posts, or
    // is answered by this tick's frame.
    wakeUp_ = false;
    return wanted_ && !minimised_;
}

bool RedrawRequests::AnimationChanged(bool running) noexcept {
    animationDraws_ = running;
    if (running || !wanted_ || minimised_) return false;
    return !wakeUp_.exchange(true);
}

bool DrawRecovering(const std::function<bool()>& drawReportsLost, const std::function<void()>& recreate,
                    const std::function<void(std::chrono::milliseconds)>& pause,
                    std::span<const std::chrono::milliseconds> pauses) {
    if (!drawReportsLost()) return true;
    for (const std::chrono::milliseconds wait : pauses) {
        pause(wait);
        recreate();
        if (!drawReportsLost()) return true;
    }
    return false;
}

}  // namespace Ravenquill::Shell::WindowInput
