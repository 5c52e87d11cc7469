#pragma once
// What the window and the off-screen surface need from user32 and gdi32 beyond the platform
// headers: the calls newer than Windows 7, looked up at run time with the platform's fallback, and
// the few calls whose use has a rule of its own. Windows builds only.
#include <windows.h>

#include <cstdint>

namespace Ravenquill::Interop::Win32 {

// The window's DPI. GetDpiForWindow exists from Windows 10 1607 on; older systems (the manifest
// declares Windows 7 to 11) have one DPI for the whole desktop, which the screen context reports.
std::uint32_t GetDpiForWindow(HWND window) noexcept;

// The header of a 32-bit BI_RGB DIB whose first row in memory is the top row of the image.
BITMAPINFOHEADER TopDownDibHeader(std::int32_t width, std::int32_t height) noexcept;

// AC_SRC_OVER with a constant alpha of 255 and AC_SRC_ALPHA: each pixel's premultiplied alpha
// alone decides its opacity.
BLENDFUNCTION PerPixelAlphaBlend() noexcept;

struct LayeredUpdateResult {
    bool Succeeded;
    // The thread's error code read right after the call (cleared right before it).
    std::uint32_t ErrorCode;
};

// Presents a memory context on a layered window with per-pixel alpha (ULW_ALPHA).
LayeredUpdateResult UpdateLayeredWindow(HWND window, HDC screen, POINT position, SIZE size, HDC source) noexcept;

}  // namespace Ravenquill::Interop::Win32
