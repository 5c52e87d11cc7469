#include "ui/window_bindings_win32.h"

#include "core/common/system_library_win32.h"
#include "ui/gdi_win32.h"

namespace Ravenquill::Interop::Win32 {
namespace {

constexpr int MdtEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI

template <class Function>
Function Procedure(HMODULE module, const char* name) noexcept {
    if (module == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

std::uint32_t ScreenDpi() noexcept {
    const ScreenDC screen;
    if (!screen) return 96;
    const int dpi = GetDeviceCaps(screen.get(), LOGPIXELSX);
    return dpi > 0 ? static_cast<std::uint32_t>(dpi) : 96;
}

}  // namespace

const DpiFunctions& SystemDpiFunctions() noexcept {
    static const DpiFunctions functions = [] {
        DpiFunctions f;
        // user32 is loaded in every process with windows. shcore is not, and is not a known DLL
        // everywhere: it comes from the system directory only and stays loaded.
        f.ForWindow = Procedure<decltype(f.ForWindow)>(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow");
        f.ForMonitor =
            Procedure<decltype(f.ForMonitor)>(LoadSystemLibrary(L"shcore.dll").release(), "GetDpiForMonitor");
        return f;
    }();
    return functions;
}

std::uint32_t DpiForWindow(HWND window, const DpiFunctions& functions) noexcept {
    if (functions.ForWindow != nullptr) {
        const UINT dpi = functions.ForWindow(window);
        if (dpi != 0) return dpi;
    }
    if (functions.ForMonitor != nullptr) {
        UINT x = 0, y = 0;
        HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
        if (monitor != nullptr && SUCCEEDED(functions.ForMonitor(monitor, MdtEffectiveDpi, &x, &y)) && x != 0) return x;
    }
    return ScreenDpi();
}

std::uint32_t GetDpiForWindow(HWND window) noexcept { return DpiForWindow(window, SystemDpiFunctions()); }

WNDCLASSEXW InstallerWindowClass(WNDPROC procedure, HINSTANCE instance, HCURSOR arrow,
                                 const wchar_t* className) noexcept {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(WNDCLASSEXW);
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = arrow;
    windowClass.lpszClassName = className;
    return windowClass;
}

BOOL TrackMouseLeave(HWND window) noexcept {
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof(TRACKMOUSEEVENT);
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = window;
    track.dwHoverTime = 0;
    return ::TrackMouseEvent(&track);
}

void RunMessageLoop(HWND window) noexcept {
    MSG message{};
    while (GetMessageW(&message, window, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void RunMessageLoop() noexcept { RunMessageLoop(nullptr); }

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
