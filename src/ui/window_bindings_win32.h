#pragma once
// What the installer window needs from user32 beyond the platform headers: the calls newer than
// Windows 7, looked up at run time with the platform's fallback (the manifest declares Windows 7
// to 11), and the calls whose use has a rule of its own. Windows builds only.
#include <windows.h>

#include <cstdint>

namespace Ravenquill::Interop::Win32 {

// The window's DPI: GetDpiForWindow from Windows 10 1607 on; before that GetDpiForMonitor of the
// window's monitor (Windows 8.1, where the manifest's per-monitor setting applies); on Windows 7
// the one DPI of the whole desktop, which the screen context reports. 96 when nothing answers.
std::uint32_t GetDpiForWindow(HWND window) noexcept;

// The run-time entry points GetDpiForWindow tries in turn; null where the system has none.
struct DpiFunctions {
    UINT(WINAPI* ForWindow)(HWND) = nullptr;
    HRESULT(WINAPI* ForMonitor)(HMONITOR, int, UINT*, UINT*) = nullptr;
};
// Those of this system, looked up once.
const DpiFunctions& SystemDpiFunctions() noexcept;
// GetDpiForWindow with the given entry points; the seam of the fallback.
std::uint32_t DpiForWindow(HWND window, const DpiFunctions& functions) noexcept;

// The window class of the installer window: CS_DBLCLKS, the procedure, the module, the arrow
// cursor and the class name; no icon, background brush, menu or extra bytes.
WNDCLASSEXW InstallerWindowClass(WNDPROC procedure, HINSTANCE instance, HCURSOR arrow,
                                 const wchar_t* className) noexcept;

// Asks for one WM_MOUSELEAVE when the pointer leaves the window (TME_LEAVE, hover time 0).
BOOL TrackMouseLeave(HWND window) noexcept;

// Gets and dispatches the thread's messages (every window, every message) until WM_QUIT or an
// error: GetMessageW's -1 ends the loop as WM_QUIT does rather than spinning on it.
void RunMessageLoop() noexcept;
// The same loop over the messages of one window only (the test seam for GetMessageW's error).
void RunMessageLoop(HWND window) noexcept;

// AC_SRC_OVER with a constant alpha of 255 and AC_SRC_ALPHA: each pixel's premultiplied alpha
// alone decides its opacity.
BLENDFUNCTION PerPixelAlphaBlend() noexcept;

struct LayeredUpdateResult {
    bool Succeeded;
    // The thread's error code read right after the call (cleared right before it).
    std::uint32_t ErrorCode;
};

// Presents a memory context on a layered window with per-pixel alpha (ULW_ALPHA), from its
// origin, at the window's screen position and size.
LayeredUpdateResult UpdateLayeredWindow(HWND window, HDC screen, POINT position, SIZE size, HDC source) noexcept;

}  // namespace Ravenquill::Interop::Win32
