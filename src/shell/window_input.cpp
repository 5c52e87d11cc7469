#include "shell/window_input.h"

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

TimerChange DecideTimer(bool pageAnimated, bool dialogOpen, bool timerRunning) noexcept {
    const bool wanted = pageAnimated && !dialogOpen;
    if (wanted == timerRunning) return TimerChange::None;
    return wanted ? TimerChange::Start : TimerChange::Stop;
}

void Pointer::Move(float x, float y, const Frame& frame) {
    Input.X = x;
    Input.Y = y;
    CaptionHover = HitTestCaption(x, y);
    frame();
}

PointerOutcome Pointer::Press(float x, float y, const Frame& frame) {
    Input.X = x;
    Input.Y = y;
    frame();
    if (!Input.Hot && HitTestCaption(x, y) == NoCaptionButton) return PointerOutcome::Drag;
    Input.Down = true;
    frame();
    return PointerOutcome::None;
}

PointerOutcome Pointer::Release(float x, float y, const Frame& frame) {
    Input.X = x;
    Input.Y = y;
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

void Pointer::Leave(const Frame& frame) {
    Input.X = -1;
    Input.Y = -1;
    Input.Down = false;
    CaptionHover = NoCaptionButton;
    frame();
}

void Pointer::Wheel(float notches, const Frame& frame) {
    Input.Wheel = notches;
    frame();
    Input.Wheel = 0;
}

void Pointer::DeviceRecreated() noexcept {
    if (Input.ClickTaken) Input.Clicked = false;
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
    // Marked before the timer is looked at: a timer stopped meanwhile sees the mark (AnimationChanged).
    wanted_ = true;
    if (animationDraws_) return false;
    return !wakeUp_.exchange(true);
}

bool RedrawRequests::WokenUp() noexcept {
    if (!animationDraws_) return true;
    wakeUp_ = false;
    return false;
}

bool RedrawRequests::TimerFired() noexcept {
    // Cleared before the mark is read: a request made meanwhile either sees it clear and posts, or
    // is answered by this tick's frame.
    wakeUp_ = false;
    return wanted_;
}

bool RedrawRequests::AnimationChanged(bool running) noexcept {
    animationDraws_ = running;
    if (running || !wanted_) return false;
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
