// The window and GDI bindings on Wine's user32 and gdi32.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <future>

#include "ui/gdi_win32.h"
#include "ui/window_bindings_win32.h"

namespace Ravenquill::Interop::Win32 {
namespace {

TEST(Dib, NegativeHeightPutsTheTopRowFirstInMemory) {
    const BITMAPINFOHEADER header = TopDownDibHeader(940, 580);
    EXPECT_EQ(header.biSize, 40u);
    EXPECT_EQ(header.biWidth, 940);
    EXPECT_EQ(header.biHeight, -580);
    EXPECT_EQ(header.biPlanes, 1);
    EXPECT_EQ(header.biBitCount, 32);
    EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(
        header.biSizeImage + header.biXPelsPerMeter + header.biYPelsPerMeter + header.biClrUsed + header.biClrImportant,
        0u);

    const ScreenDC screen;
    ASSERT_TRUE(screen);
    UniqueMemoryDC dc(CreateCompatibleDC(screen.get()));
    ASSERT_TRUE(dc);
    DibSection dib = CreateTopDownDibSection(dc.get(), 4, 3);
    ASSERT_TRUE(dib.Bitmap);
    ASSERT_NE(dib.Bits, nullptr);
    {
        ObjectSelection selection(dc.get(), dib.Bitmap.get());
        ASSERT_TRUE(selection);
        auto* bytes = static_cast<std::uint8_t*>(dib.Bits);
        // Memory row 0, pixel 1: B, G, R = 0x11, 0x22, 0x33; memory row 2, pixel 0: blue.
        bytes[4] = 0x11, bytes[5] = 0x22, bytes[6] = 0x33;
        bytes[2 * 4 * 4] = 0xFF;
        GdiFlush();
        EXPECT_EQ(GetPixel(dc.get(), 1, 0), RGB(0x33, 0x22, 0x11));
        EXPECT_EQ(GetPixel(dc.get(), 0, 2), RGB(0, 0, 0xFF));
        EXPECT_EQ(GetPixel(dc.get(), 1, 2), RGB(0, 0, 0));
    }
    // Deselected again, so the section can be deleted and selected once more.
    ObjectSelection again(dc.get(), dib.Bitmap.get());
    EXPECT_TRUE(again);
    again.Restore();
    EXPECT_NE(GetCurrentObject(dc.get(), OBJ_BITMAP), dib.Bitmap.get());
    EXPECT_NE(DeleteObject(dib.Bitmap.release()), 0);
}

UINT WINAPI NoDpi(HWND) { return 0; }
UINT WINAPI Dpi144(HWND) { return 144; }
HRESULT WINAPI MonitorDpi120(HMONITOR, int, UINT* x, UINT* y) {
    *x = *y = 120;
    return S_OK;
}
HRESULT WINAPI MonitorFails(HMONITOR, int, UINT*, UINT*) { return E_NOTIMPL; }

TEST(Dpi, NewerFunctionsFirstThenThePlatformsFallback) {
    const std::uint32_t screenDpi = [] {
        const ScreenDC screen;
        return static_cast<std::uint32_t>(GetDeviceCaps(screen.get(), LOGPIXELSX));
    }();
    struct Case {
        DpiFunctions Functions;
        std::uint32_t Expected;
    };
    const Case cases[] = {
        {{Dpi144, MonitorDpi120}, 144},                                         // Windows 10 1607 and later
        {{nullptr, MonitorDpi120}, 120},                                        // Windows 8.1: the monitor's DPI
        {{NoDpi, MonitorDpi120}, 120},                                          // a window the newer call does not know
        {{nullptr, MonitorFails}, screenDpi}, {{nullptr, nullptr}, screenDpi},  // Windows 7: the desktop's one DPI
    };
    for (const Case& c : cases) EXPECT_EQ(DpiForWindow(GetDesktopWindow(), c.Functions), c.Expected);
    EXPECT_GT(GetDpiForWindow(GetDesktopWindow()), 0u);
}

TEST(WindowClass, CarriesOnlyWhatTheWindowNeeds) {
    HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    const WNDCLASSEXW c = InstallerWindowClass(DefWindowProcW, GetModuleHandleW(nullptr), arrow, L"RqBindingTest");
    EXPECT_EQ(c.cbSize, 80u);
    EXPECT_EQ(c.style, static_cast<UINT>(CS_DBLCLKS));
    EXPECT_EQ(c.lpfnWndProc, &DefWindowProcW);
    EXPECT_EQ(c.hCursor, arrow);
    EXPECT_EQ(c.hIcon, nullptr);
    EXPECT_EQ(c.hIconSm, nullptr);
    EXPECT_EQ(c.hbrBackground, nullptr);
    EXPECT_EQ(c.lpszMenuName, nullptr);
    EXPECT_EQ(c.cbClsExtra + c.cbWndExtra, 0);
}

// A layered popup of the test's own class, destroyed at the end of the scope.
struct TestWindow {
    explicit TestWindow(DWORD exStyle) {
        static const ATOM atom = [] {
            const WNDCLASSEXW c = InstallerWindowClass(DefWindowProcW, GetModuleHandleW(nullptr),
                                                       LoadCursorW(nullptr, IDC_ARROW), L"RqBindingTest");
            return RegisterClassExW(&c);
        }();
        EXPECT_NE(atom, 0);
        window = CreateWindowExW(exStyle, L"RqBindingTest", L"test", WS_POPUP, 0, 0, 16, 16, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    }
    ~TestWindow() {
        if (window != nullptr) DestroyWindow(window);
    }
    HWND window = nullptr;
};

TEST(LayeredWindow, PresentsWithPerPixelAlphaAndKeepsTheErrorCode) {
    const BLENDFUNCTION blend = PerPixelAlphaBlend();
    EXPECT_EQ(blend.BlendOp, AC_SRC_OVER);
    EXPECT_EQ(blend.BlendFlags, 0);
    EXPECT_EQ(blend.SourceConstantAlpha, 255);
    EXPECT_EQ(blend.AlphaFormat, AC_SRC_ALPHA);

    const ScreenDC screen;
    UniqueMemoryDC dc(CreateCompatibleDC(screen.get()));
    DibSection dib = CreateTopDownDibSection(dc.get(), 16, 16);
    ObjectSelection selection(dc.get(), dib.Bitmap.get());
    ASSERT_TRUE(selection);

    const TestWindow layered(WS_EX_LAYERED | WS_EX_APPWINDOW);
    ASSERT_NE(layered.window, nullptr);
    // Wine leaves an error code behind even when the call succeeds; it is read only after a failure.
    EXPECT_TRUE(UpdateLayeredWindow(layered.window, screen.get(), {0, 0}, {16, 16}, dc.get()).Succeeded);

    // A window that is not layered is refused, and the refusal's code is what the caller gets.
    const TestWindow plain(0);
    ASSERT_NE(plain.window, nullptr);
    const LayeredUpdateResult refused = UpdateLayeredWindow(plain.window, screen.get(), {0, 0}, {16, 16}, dc.get());
    EXPECT_FALSE(refused.Succeeded);
    EXPECT_NE(refused.ErrorCode, 0u);
}

TEST(MessageLoop, EndsOnQuitAndOnGetMessageError) {
    // Each loop runs on a thread of its own so that a loop that spins would fail the test, not hang it.
    auto quit = std::async(std::launch::async, [] {
        PostQuitMessage(0);
        RunMessageLoop();
    });
    EXPECT_EQ(quit.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    if (quit.wait_for(std::chrono::seconds(0)) != std::future_status::ready) std::_Exit(1);  // never hang ctest

    // GetMessageW gives -1 for a window handle that is not a window.
    auto error = std::async(std::launch::async, [] { RunMessageLoop(reinterpret_cast<HWND>(0x4321)); });
    EXPECT_EQ(error.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    if (error.wait_for(std::chrono::seconds(0)) != std::future_status::ready) std::_Exit(1);  // never hang ctest
}

TEST(MouseLeave, TrackingIsAccepted) {
    const TestWindow window(WS_EX_LAYERED);
    ASSERT_NE(window.window, nullptr);
    EXPECT_NE(TrackMouseLeave(window.window), FALSE);
}

}  // namespace
}  // namespace Ravenquill::Interop::Win32
