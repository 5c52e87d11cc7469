// The sample's application: one window that shows the product's name and version, so that an
// installation has a real program to start from its shortcuts.
#include <windows.h>

#include <string>

#include "demo_identity.h"

namespace {

constexpr wchar_t WindowClass[] = L"RavenquillDemoWindow";

void Paint(HWND window) {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    SetBkMode(dc, TRANSPARENT);
    const std::wstring text = std::wstring(DEMO_PRODUCT_NAME) + L"\nВерсия " + DEMO_VERSION;
    RECT measured = client;
    DrawTextW(dc, text.c_str(), -1, &measured, DT_CENTER | DT_CALCRECT);
    // DrawText centres a single line only: centre the measured block by hand.
    const int offset = ((client.bottom - client.top) - (measured.bottom - measured.top)) / 2;
    RECT target = client;
    target.top += offset;
    DrawTextW(dc, text.c_str(), -1, &target, DT_CENTER);
    EndPaint(window, &paint);
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            Paint(window);
            return 0;
        case WM_SIZE:
            InvalidateRect(window, nullptr, TRUE);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512) /* IDC_ARROW */);
    windowClass.lpszClassName = WindowClass;
    if (RegisterClassExW(&windowClass) == 0) return 1;
    const std::wstring title = std::wstring(DEMO_PRODUCT_NAME) + L" " + DEMO_VERSION;
    const HWND window = CreateWindowExW(0, WindowClass, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                        CW_USEDEFAULT, 480, 200, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 1;
    ShowWindow(window, show);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
