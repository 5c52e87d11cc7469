#pragma once
// The installer window's decisions that need no window: which caption button a point is on, how a
// press, a release, a move, a wheel turn or the pointer leaving turns into frames and into what the
// window must do, the animation timer, when the frames other threads ask for are drawn,
// device-to-logical coordinates, and drawing again after a lost graphics device. The window
// procedure only decodes messages and carries out the outcome.
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <utility>

#include "ui/input.h"

namespace Ravenquill::Shell::WindowInput {

inline constexpr int NoCaptionButton = 0;
inline constexpr int MinimizeButton = 1;
inline constexpr int CloseButton = 2;

// CloseButton in Chrome::CloseButtonRect, else MinimizeButton in Chrome::MinimizeButtonRect, else
// NoCaptionButton; left and top edges inside, right and bottom outside.
int HitTestCaption(float x, float y) noexcept;

// Device pixels per logical pixel at a DPI; 1 when the DPI reads 0.
float ScaleForDpi(std::uint32_t dpi) noexcept;
// A device coordinate in logical pixels.
float ToLogical(int device, float scale) noexcept;
// The point of a mouse message's lParam: its low and high words, each a signed 16-bit value.
std::pair<int, int> PointFromLParam(std::intptr_t lParam) noexcept;
// A wheel message's notches: the high word of wParam as a signed 16-bit value over 120 units.
float WheelNotches(std::uintptr_t wParam) noexcept;

// The animation timer runs exactly while the page animates, no dialog is open and the window is not
// minimised: nobody sees the frames of a minimised window, and drawing them would keep a core busy
// for the whole installation.
enum class TimerChange { None, Start, Stop };
TimerChange DecideTimer(bool pageAnimated, bool dialogOpen, bool minimised, bool timerRunning) noexcept;

// The system's double-click time and the rectangle around a first click that a second one must
// fall in (GetDoubleClickTime, SM_CXDOUBLECLK and SM_CYDOUBLECLK), in milliseconds and logical
// pixels.
struct DoubleClickZone {
    std::uint32_t TimeMs = 500;
    float Width = 4;
    float Height = 4;
};

// Whether a press at (x, y) at time pressMs is the second half of a double click whose first click
// was at (clickX, clickY) at clickMs: at most the double-click time later (message times are
// milliseconds that wrap around) and inside the rectangle centred on the first click.
bool IsSecondClick(const DoubleClickZone& zone, float clickX, float clickY, std::uint32_t clickMs, float x, float y,
                   std::uint32_t pressMs) noexcept;

// What the window does after a pointer event, beyond the frames already drawn.
enum class PointerOutcome {
    None,
    Drag,      // the press was on nothing clickable: the system's move loop takes over
    Minimize,  // released over the minimise button (no frame was drawn)
    Close,     // released over the close button: the window is destroyed at once
};

// The window's pointer state and the frames each event asks for. Frame draws one frame with the
// current Input (and CaptionHover) and leaves Input.Hot as the widgets set it. Times are the
// messages' own (GetMessageTime), in milliseconds.
//
// A button that appears under the pointer does not take the second click of a double click: once a
// click has changed what the window shows (ClickChangedView), a press that is the second half of
// a double click with it is no press and its release no click. Users double-click buttons, and the
// next page's button is often where the last one was ("Отмена" where "Установить" was).
class Pointer {
public:
    using Frame = std::function<void()>;

    Ui::Input Input;  // X = Y = -1: outside the window
    int CaptionHover = NoCaptionButton;

    // Logical coordinates throughout. One frame, with the caption hover of the new position.
    void Move(float x, float y, const Frame& frame);
    // One frame so Hot describes this point; over a widget or a caption button Down is set and a
    // second frame shows the pressed look; elsewhere the outcome is a drag. The second half of a
    // double click with a click that changed the view draws one frame and nothing more.
    PointerOutcome Press(float x, float y, std::uint32_t timeMs, const Frame& frame);
    // The second press of a double click, which the system reports in place of a press: it sets no
    // Down and starts no drag, but the rule above applies to it as to a press.
    void SecondPress(float x, float y, std::uint32_t timeMs);
    // Over the close button: Close; over the minimise button: Minimize, with Down cleared and no
    // frame; elsewhere a click: one frame with Clicked set (and ClickTaken clear), then an ordinary
    // one. Where the press began is not looked at. The release of a press that was the second half
    // of a double click (above) is no click: one ordinary frame.
    PointerOutcome Release(float x, float y, std::uint32_t timeMs, const Frame& frame);
    // The click just released changed the page or the dialog shown; zone is the system's double
    // click as it is now.
    void ClickChangedView(const DoubleClickZone& zone) noexcept;
    // One frame with no pointer, no hover and no held button.
    void Leave(const Frame& frame);
    // One frame with the wheel's notches, which replace any earlier value; they are 0 again
    // afterwards.
    void Wheel(float notches, const Frame& frame);
    // A frame has been drawn: its click and its wheel notches are spent. A frame drawn again before
    // the event's own handling ends (one asked for from a modal loop inside the frame, and kept
    // until it had ended) must not click or scroll a second time.
    void FrameDrawn() noexcept;
    // The graphics device was lost and its resources made again, so the frame is drawn once more: a
    // click or wheel notch a widget has already acted on is not delivered twice, one lost before
    // any widget took it (the target failed while binding or clearing) is delivered by the frame
    // drawn again.
    void DeviceRecreated() noexcept;

private:
    struct Click {
        float X, Y;
        std::uint32_t TimeMs;
    };
    Click lastClick_{};
    // The last click changed the view, within this zone.
    std::optional<DoubleClickZone> guard_;
    // The press being held was the second half of a double click: its release is no click.
    bool releaseIgnored_ = false;
    // True when the press at (x, y) is taken as no press (the guard is spent by any press).
    bool IgnoresPress(float x, float y, std::uint32_t timeMs) noexcept;
};

// Keeps frames from nesting. Modal loops that run inside a click's frame (the folder picker, a
// message box, the elevation prompt) dispatch mouse, timer and redraw messages to the window, whose
// render target is still inside that frame: a frame asked for meanwhile is remembered and drawn once
// the outer one has ended.
class FrameGate {
public:
    // Draws now, or, while a frame is being drawn, once after it.
    void Draw(const std::function<void()>& frame);
    bool Drawing() const noexcept { return drawing_; }

private:
    bool drawing_ = false;
    bool pending_ = false;
};

// Frames that any thread asks for (an engine's progress, a page change, a dialog). Asking is cheap
// and never floods the window's queue, which the system empties before it looks at the user's
// input: while the animation timer runs, its next tick draws the frame and nothing is posted;
// otherwise one wake-up message is posted, and the window answers it with a short timer, whose tick,
// like the animation's, comes only when no input is waiting. Every frame, whatever drew it, answers
// all the requests made before it began.
// While the window is minimised nothing is drawn: a request is only remembered, and the frame drawn
// when the window is restored answers it.
class RedrawRequests {
public:
    // Any thread. True when the caller must post the wake-up message (none is on its way yet).
    bool Request() noexcept;
    // The wake-up message could not be posted: the next request posts again.
    void PostFailed() noexcept { wakeUp_ = false; }
    // UI thread, for the wake-up message: true when the request timer must be set; while the
    // animation timer runs its tick draws instead.
    bool WokenUp() noexcept;
    // UI thread, for the request timer's tick (the timer is killed): true when a frame is still owed.
    bool TimerFired() noexcept;
    // UI thread, as every frame begins.
    void FrameStarting() noexcept { wanted_ = false; }
    // UI thread, when the animation timer is set or killed. True when, with the animation stopped,
    // a request is still owed a frame and the request timer must be set.
    bool AnimationChanged(bool running) noexcept;
    // UI thread, when the window is minimised (true) or restored (false; the window then draws).
    void Minimised(bool minimised) noexcept { minimised_ = minimised; }

private:
    std::atomic<bool> wanted_{false};          // a request no frame has answered yet
    std::atomic<bool> animationDraws_{false};  // the animation timer runs
    std::atomic<bool> minimised_{false};       // no frame is drawn until the window is restored
    std::atomic<bool> wakeUp_{false};          // a wake-up message or the request timer is on its way
};

// How often, and after which pauses, a frame that lost the graphics device is drawn again: a device
// that was reset (a driver update, a remote session taking over the display) may take a few
// seconds to come back. The first pause comes before the second draw; about 4.5 s in all.
inline constexpr std::array<std::chrono::milliseconds, 9> DeviceRecoveryPauses{
    std::chrono::milliseconds(0),    std::chrono::milliseconds(50),   std::chrono::milliseconds(100),
    std::chrono::milliseconds(200),  std::chrono::milliseconds(400),  std::chrono::milliseconds(800),
    std::chrono::milliseconds(1000), std::chrono::milliseconds(1000), std::chrono::milliseconds(1000)};

// Draws a frame; while a draw reports that the graphics device was lost, pauses, makes the
// device's resources again and draws once more, one more draw than there are pauses at most. False
// when the last draw still lost the device.
bool DrawRecovering(const std::function<bool()>& drawReportsLost, const std::function<void()>& recreate,
                    const std::function<void(std::chrono::milliseconds)>& pause,
                    std::span<const std::chrono::milliseconds> pauses = DeviceRecoveryPauses);

}  // namespace Ravenquill::Shell::WindowInput
