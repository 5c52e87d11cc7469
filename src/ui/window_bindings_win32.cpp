#include "ui/window_bindings_win32.h"

namespace Ravenquill::Interop::Win32 {

std::uint32_t GetDpiForWindow(HWND window) noexcept {
    using GetDpi = UINT(WINAPI*)(HWND);
    // user32 is always loaded in a process that has windows; the handle is never freed.
    static const auto getDpi = reinterpret_cast<GetDpi>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpi != nullptr) {
        const UINT dpi = getDpi(window);
        if (dpi != 0) return dpi;
    }
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) return 96;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<std::uint32_t>(dpi) : 96;
}

BITMAPINFOHEADER TopDownDibHeader(std::int32_t width, std::int32_t height) noexcept {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = -height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    return header;
}

BLENDFUNCTION PerPixelAlphaBlend() noexcept { return BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA}; }

LayeredUpdateResult UpdateLayeredWindow(HWND window, HDC screen, POINT position, SIZE size, HDC source) noexcept {
    POINT origin{0, 0};
    BLENDFUNCTION blend = PerPixelAlphaBlend();
    SetLastError(0);
    const BOOL ok = ::UpdateLayeredWindow(window, screen, &position, &size, source, &origin, 0, &blend, ULW_ALPHA);
    const DWORD error = GetLastError();
    return LayeredUpdateResult{ok != FALSE, error};
}

}  // namespace Ravenquill::Interop::Win32
