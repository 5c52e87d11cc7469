#include "shell/installer_window_win32.h"

#include <cstdio>
#include <cwchar>
#include <utility>

#include "shell/frame.h"
#include "ui/gdi_win32.h"
#include "ui/graphics_win32.h"
#include "ui/window_bindings_win32.h"

namespace Ravenquill::Shell {
namespace {

namespace Win32 = Interop::Win32;

constexpr DWORD ExtendedStyle = WS_EX_LAYERED | WS_EX_APPWINDOW;
constexpr DWORD Style = WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX;

bool IsPointerMessage(UINT message) {
    switch (message) {
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case WM_MOUSEWHEEL:
        case WM_MOUSELEAVE:
            return true;
        default:
            return false;
    }
}

}  // namespace

InstallerWindow* InstallerWindow::current_ = nullptr;

HWND InstallerWindow::OfThread(DWORD thread, bool visible) {
    struct Search {
        bool Visible;
        HWND Found = nullptr;
    } search{visible};
    EnumThreadWindows(
        thread,
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            wchar_t name[32] = {};
            GetClassNameW(window, name, 32);
            if (std::wcscmp(name, ClassName) != 0 || (s->Visible && !IsWindowVisible(window))) return TRUE;
            s->Found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

InstallerWindow::InstallerWindow(Wizard& wizard) : wizard_(wizard), chrome_(wizard.Theme) {
    // Both may be called from any thread; they only post, and a redraw request mostly not even
    // that (WindowInput::RedrawRequests). A null handle would post to the calling thread's own
    // queue, so nothing is posted before the window exists or after it is gone.
    wizard_.RequestRedraw = [this] {
        const HWND window = handle_.load();
        if (window == nullptr || !requests_.Request()) return;
        if (!PostMessageW(window, RedrawMessage, 0, 0)) requests_.PostFailed();
    };
    wizard_.RequestClose = [this] {
        if (const HWND window = handle_.load()) PostMessageW(window, WM_CLOSE, 0, 0);
    };
}

int InstallerWindow::Run(ID2D1Factory* d2dFactory, IDWriteFactory* dwriteFactory, const std::wstring& title,
                         std::function<void(Surface&)> onSurface) {
    current_ = this;
    onSurface_ = std::move(onSurface);
    arrowCursor_ = LoadCursorW(nullptr, IDC_ARROW);
    handCursor_ = LoadCursorW(nullptr, IDC_HAND);
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const WNDCLASSEXW windowClass = Win32::InstallerWindowClass(&WndProc, instance, arrowCursor_, ClassName);
    RegisterClassExW(&windowClass);

    const HWND window = CreateWindowExW(ExtendedStyle, ClassName, title.c_str(), Style, 0, 0, LogicalWidth,
                                        LogicalHeight, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 1;
    handle_ = window;

    // A failure from here on is handled as one in the window procedure: the window closes and the
    // failure is raised after the loop.
    try {
        // Read once: later DPI changes are not followed.
        scale_ = WindowInput::ScaleForDpi(Win32::GetDpiForWindow(window));
        surface_ = std::make_unique<Surface>(d2dFactory, dwriteFactory, LogicalWidth, LogicalHeight, scale_);
        if (onSurface_) onSurface_(*surface_);
        screenX_ = (GetSystemMetrics(SM_CXSCREEN) - surface_->PixelWidth) / 2;
        screenY_ = (GetSystemMetrics(SM_CYSCREEN) - surface_->PixelHeight) / 2;
        // The first frame is drawn and presented before the window is shown.
        Redraw();
        ShowWindow(window, SW_SHOW);
        SetForegroundWindow(window);
    } catch (...) {
        failure_ = std::current_exception();
        Close();
    }

    Win32::RunMessageLoop();
    handle_ = nullptr;
    FinishRuns();
    if (failure_) std::rethrow_exception(failure_);
    return 0;
}

void InstallerWindow::CancelRuns() {
    if (!wizard_.Runs->Any()) return;
    runsWereLive_ = true;
    wizard_.Runs->CancelAll();
}

void InstallerWindow::FinishRuns() {
    // A run started while the window was closing is cancelled by Start itself.
    CancelRuns();
    if (runsWereLive_) wizard_.Runs->WaitForAll(RunCleanupWait);
}

LRESULT CALLBACK InstallerWindow::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    InstallerWindow* self = current_;
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    // Nothing may unwind through the system's message dispatch: a failure closes the window and
    // Run raises it once the loop has ended.
    try {
        const LRESULT result = self->Handle(window, message, wParam, lParam);
        self->AfterMessage();
        return result;
    } catch (...) {
        if (!self->failure_) self->failure_ = std::current_exception();
        self->Close();
        DestroyWindow(window);
        return 0;
    }
}

LRESULT InstallerWindow::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DESTROY:
            handle_ = nullptr;
            CancelRuns();
            PostQuitMessage(0);
            return 0;
        case WM_CLOSE:
            Close();
            return 0;
        case WM_SETCURSOR:
            SetCursor(pointer_.Input.Hot ? handCursor_ : arrowCursor_);
            return TRUE;
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) {
                Close();
                return 0;
            }
            break;
        case WM_TIMER:
            if (wParam == RequestTimer) {
                KillTimer(window, RequestTimer);
                if (requests_.TimerFired()) Redraw();
            } else {
                Redraw();
            }
            return 0;
        default:
            break;
    }
    if (IsPointerMessage(message)) {
        // Mouse messages that arrive while a frame is being drawn come from a modal loop inside that
        // frame (a message box's, the system's elevation prompt's). Taken now, a move or a click
        // would change the input under the frame's feet (the rest of a click frame would click
        // wherever the pointer went) or start a drag inside it; dropped, the user's clicks would be
        // lost. They are handled once the frame has ended.
        if (gate_.Drawing()) {
            kept_.push_back({message, wParam, lParam, static_cast<DWORD>(GetMessageTime())});
            return 0;
        }
        OnPointer(message, wParam, lParam, static_cast<DWORD>(GetMessageTime()));
        // The second press of a double click goes on to the default procedure as well.
        if (message != WM_LBUTTONDBLCLK) return 0;
    }
    switch (message) {
        case WM_WINDOWPOSCHANGED: {
            // The system moves the window in its own move loop while frames go on being presented
            // (the timer, the worker's requests): they must be presented where the window is now.
            const auto* position = reinterpret_cast<const WINDOWPOS*>(lParam);
            const bool minimised = IsIconic(window) != FALSE;
            if (!minimised && (position->flags & SWP_NOMOVE) == 0) {
                screenX_ = position->x;
                screenY_ = position->y;
            }
            if (minimised != minimised_) OnMinimisedChanged(minimised);
            break;
        }
        case RedrawMessage:
            // The frame itself waits for a timer's tick, which comes only once no input is waiting.
            if (requests_.WokenUp() && SetTimer(window, RequestTimer, USER_TIMER_MINIMUM, nullptr) == 0 &&
                requests_.TimerFired())
                Redraw();
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void InstallerWindow::OnPointer(UINT message, WPARAM wParam, LPARAM lParam, DWORD time) {
    const auto [x, y] = WindowInput::PointFromLParam(lParam);
    switch (message) {
        case WM_MOUSEMOVE:
            OnMouseMove(x, y);
            break;
        case WM_LBUTTONDOWN:
            OnLButtonDown(x, y, time);
            break;
        case WM_LBUTTONDBLCLK:
            pointer_.SecondPress(WindowInput::ToLogical(x, scale_), WindowInput::ToLogical(y, scale_), time);
            break;
        case WM_LBUTTONUP:
            OnLButtonUp(x, y, time);
            break;
        case WM_MOUSEWHEEL:
            pointer_.Wheel(WindowInput::WheelNotches(wParam), [this] { Redraw(); });
            break;
        case WM_MOUSELEAVE:
            trackingMouse_ = false;
            pointer_.Leave([this] { Redraw(); });
            break;
        default:
            break;
    }
}

void InstallerWindow::AfterMessage() {
    if (gate_.Drawing()) return;
    while (!kept_.empty() && !gate_.Drawing() && handle_.load() != nullptr) {
        const KeptMessage message = kept_.front();
        kept_.pop_front();
        OnPointer(message.Message, message.WParam, message.LParam, message.Time);
    }
    if (handle_.load() != nullptr) wizard_.RunAfterFrameWork();
}

void InstallerWindow::OnMinimisedChanged(bool minimised) {
    minimised_ = minimised;
    requests_.Minimised(minimised);
    // Minimised: the animation stops. Restored: one frame shows the page as it is now, and
    // starts the animation again.
    if (minimised)
        UpdateAnimationTimer();
    else
        Redraw();
}

WindowInput::DoubleClickZone InstallerWindow::SystemDoubleClick() const {
    return {static_cast<std::uint32_t>(GetDoubleClickTime()),
            WindowInput::ToLogical(GetSystemMetrics(SM_CXDOUBLECLK), scale_),
            WindowInput::ToLogical(GetSystemMetrics(SM_CYDOUBLECLK), scale_)};
}

void InstallerWindow::Redraw() {
    gate_.Draw([this] { DrawAndPresent(); });
}

void InstallerWindow::DrawAndPresent() {
    // Nobody sees a minimised window's frames; the frame drawn when it is restored answers all.
    if (!surface_ || minimised_) return;
    requests_.FrameStarting();
    wizard_.State->CaptionHover = pointer_.CaptionHover;
    if (!WindowInput::DrawRecovering([this] { return !DrawOnce(); }, [this] { RecreateDeviceResources(); },
                                     [](std::chrono::milliseconds pause) { Sleep(static_cast<DWORD>(pause.count())); }))
        throw Interop::GraphicsException(static_cast<std::int32_t>(D2DERR_RECREATE_TARGET));
    pointer_.FrameDrawn();
    Present();
    UpdateAnimationTimer();
}

bool InstallerWindow::DrawOnce() {
    try {
        surface_->BeginDraw();
        DrawFrame(surface_->Canvas(), chrome_, wizard_, pointer_.Input);
        surface_->EndDraw();
        return true;
    } catch (const Interop::GraphicsException& e) {
        if (e.HResult() != static_cast<std::int32_t>(D2DERR_RECREATE_TARGET)) throw;
        return false;
    }
}

void InstallerWindow::RecreateDeviceResources() {
    pointer_.DeviceRecreated();
    surface_->RecreateTarget();
    chrome_.ReleaseShadow();
    wizard_.State->Logo = nullptr;
    if (onSurface_) onSurface_(*surface_);
}

void InstallerWindow::Present() {
    const HWND window = handle_.load();
    if (!surface_ || window == nullptr) return;
    const Win32::ScreenDC screen;
    const Win32::LayeredUpdateResult result =
        Win32::UpdateLayeredWindow(window, screen.get(), POINT{screenX_, screenY_},
                                   SIZE{surface_->PixelWidth, surface_->PixelHeight}, surface_->MemDC());
    if (result.Succeeded && Presented) Presented();
    if (!result.Succeeded)
        std::fprintf(stderr, "UpdateLayeredWindow failed: %lu\n", static_cast<unsigned long>(result.ErrorCode));
}

void InstallerWindow::UpdateAnimationTimer() {
    const HWND window = handle_.load();
    if (window == nullptr) return;
    const std::shared_ptr<IPage> page = wizard_.CurrentPage();
    const bool dialogOpen = wizard_.Dialog() != nullptr;
    switch (WindowInput::DecideTimer(page && page->Animated(), dialogOpen, minimised_, timerRunning_)) {
        case WindowInput::TimerChange::Start:
            timerRunning_ = true;
            SetTimer(window, AnimationTimer, AnimationPeriodMs, nullptr);
            requests_.AnimationChanged(true);
            break;
        case WindowInput::TimerChange::Stop:
            timerRunning_ = false;
            KillTimer(window, AnimationTimer);
            // A request that counted on the next tick is owed its frame.
            if (requests_.AnimationChanged(false)) SetTimer(window, RequestTimer, USER_TIMER_MINIMUM, nullptr);
            break;
        case WindowInput::TimerChange::None:
            break;
    }
}

void InstallerWindow::UpdatePosition() {
    RECT rect{};
    if (GetWindowRect(handle_.load(), &rect)) {
        screenX_ = rect.left;
        screenY_ = rect.top;
    }
}

void InstallerWindow::OnMouseMove(int x, int y) {
    if (!trackingMouse_) {
        Win32::TrackMouseLeave(handle_.load());
        trackingMouse_ = true;
    }
    pointer_.Move(WindowInput::ToLogical(x, scale_), WindowInput::ToLogical(y, scale_), [this] { Redraw(); });
}

void InstallerWindow::OnLButtonDown(int x, int y, DWORD time) {
    const WindowInput::PointerOutcome outcome = pointer_.Press(
        WindowInput::ToLogical(x, scale_), WindowInput::ToLogical(y, scale_), time, [this] { Redraw(); });
    if (outcome != WindowInput::PointerOutcome::Drag) return;
    // The system's move loop runs inside this call and returns when the drag ends.
    const HWND window = handle_.load();
    ReleaseCapture();
    SendMessageW(window, WM_NCLBUTTONDOWN, HTCAPTION, 0);
    UpdatePosition();
}

void InstallerWindow::OnLButtonUp(int x, int y, DWORD time) {
    const std::shared_ptr<IPage> page = wizard_.CurrentPage();
    const std::shared_ptr<Dialog> dialog = wizard_.Dialog();
    const WindowInput::PointerOutcome outcome = pointer_.Release(
        WindowInput::ToLogical(x, scale_), WindowInput::ToLogical(y, scale_), time, [this] { Redraw(); });
    if (wizard_.CurrentPage() != page || wizard_.Dialog() != dialog) pointer_.ClickChangedView(SystemDoubleClick());
    if (outcome == WindowInput::PointerOutcome::Close) Close();
    if (outcome == WindowInput::PointerOutcome::Minimize) ShowWindow(handle_.load(), SW_MINIMIZE);
}

void InstallerWindow::Close() {
    const HWND window = handle_.exchange(nullptr);
    if (window == nullptr) return;
    // The runs are cancelled first: hiding and destroying a layered window can take the system a
    // while (about two seconds under Wine), time in which a run would go on installing. Their
    // clean-up is waited for once the loop has ended.
    CancelRuns();
    ShowWindow(window, SW_HIDE);
    DestroyWindow(window);
}

}  // namespace Ravenquill::Shell
