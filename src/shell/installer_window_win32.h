#pragma once
// The one window of the wizard: a borderless layered popup of 940 × 580 logical pixels whose every
// pixel, shadow included, is drawn by the frame and presented with per-pixel alpha. It turns the
// mouse into the shared Input, draws each frame through the frame function, runs a 16 ms timer
// while the page animates, lets the user drag it by any point that is no widget and handles the
// two caption buttons. One per process, UI thread only; it lives until the process ends.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "shell/chrome.h"
#include "shell/surface_win32.h"
#include "shell/window_input.h"
#include "shell/wizard.h"

namespace Ravenquill::Shell {

class InstallerWindow {
public:
    static constexpr wchar_t ClassName[] = L"RavenquillShell";
    static constexpr UINT RedrawMessage = WM_APP + 1;
    static constexpr UINT_PTR AnimationTimer = 1;
    // Draws the frames other threads ask for while the page does not animate.
    static constexpr UINT_PTR RequestTimer = 2;
    static constexpr UINT AnimationPeriodMs = 16;
    static constexpr int LogicalWidth = 940;
    static constexpr int LogicalHeight = 580;
    // How long a window closed during an installation waits for the runs to finish their clean-up.
    static constexpr std::chrono::seconds RunCleanupWait{30};

    // The wizard's redraw and close requests now post to the window; until it exists they post
    // nothing. A redraw request is drawn by the next animation tick or a short timer, never ahead
    // of the user's input, and posts at most one message until its frame is drawn.
    explicit InstallerWindow(Wizard& wizard);
    InstallerWindow(const InstallerWindow&) = delete;
    InstallerWindow& operator=(const InstallerWindow&) = delete;

    // Creates the window and its surface, runs onSurface with it (the logo is loaded there, and
    // again when the graphics device was lost), draws the first frame, shows the window and runs the
    // message loop. 1 when the window cannot be created, else 0 once it has closed. Closing while
    // engine runs are live cancels them, answers their questions "no" and waits for their clean-up
    // (RunCleanupWait at most). A failure inside the window procedure closes the window and is
    // raised here, after that wait.
    int Run(ID2D1Factory* d2dFactory, IDWriteFactory* dwriteFactory, const std::wstring& title,
            std::function<void(Surface&)> onSurface);

    // Whether runs were still live when the window closed. Their threads may still touch the wizard
    // after the wait, so the process must then end without unwinding (no static destructors).
    bool RunsWereLive() const noexcept { return runsWereLive_; }

    // Runs after every frame that reached the screen, on the UI thread (the frame-rate benchmark's
    // probe); nothing by default.
    std::function<void()> Presented;

    // The installer window that the thread made, once it is shown (when visible is set) or at all;
    // null when it has none.
    static HWND OfThread(DWORD thread, bool visible);

private:
    static LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    void Redraw();
    void DrawAndPresent();
    // False when the frame lost the graphics device.
    bool DrawOnce();
    void RecreateDeviceResources();
    void Present();
    void UpdateAnimationTimer();
    void UpdatePosition();
    void OnMouseMove(int x, int y);
    void OnLButtonDown(int x, int y, DWORD time);
    void OnLButtonUp(int x, int y, DWORD time);
    // Handles a mouse message at the time the system stamped it with.
    void OnPointer(UINT message, WPARAM wParam, LPARAM lParam, DWORD time);
    // Once a message has been handled outside any frame: the mouse messages kept meanwhile, then
    // the work the pages asked to run after their frame (the folder picker).
    void AfterMessage();
    void OnMinimisedChanged(bool minimised);
    WindowInput::DoubleClickZone SystemDoubleClick() const;
    // Hides the window, cancels the live runs and destroys the window (the close button, Escape,
    // WM_CLOSE and a failure all close this way).
    void Close();
    void CancelRuns();
    void FinishRuns();

    static InstallerWindow* current_;

    Wizard& wizard_;
    Chrome chrome_;
    WindowInput::Pointer pointer_;
    WindowInput::FrameGate gate_;
    std::unique_ptr<Surface> surface_;
    std::function<void(Surface&)> onSurface_;
    // Read by other threads' requests; null until the window exists and once it is destroyed.
    std::atomic<HWND> handle_{nullptr};
    WindowInput::RedrawRequests requests_;
    HCURSOR arrowCursor_ = nullptr;
    HCURSOR handCursor_ = nullptr;
    float scale_ = 1;
    int screenX_ = 0;
    int screenY_ = 0;
    bool trackingMouse_ = false;
    bool timerRunning_ = false;
    bool minimised_ = false;
    // Mouse messages that came while a frame was being drawn (from a modal loop inside it), in
    // order, for once it has ended.
    struct KeptMessage {
        UINT Message;
        WPARAM WParam;
        LPARAM LParam;
        DWORD Time;
    };
    std::deque<KeptMessage> kept_;
    bool runsWereLive_ = false;
    std::exception_ptr failure_;
};

}  // namespace Ravenquill::Shell
