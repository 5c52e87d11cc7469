#pragma once
// The installer's window driven from another process, as a user's mouse and keyboard drive it:
// the program is started without waiting, its window is found by class among the program's own
// windows, and mouse and key messages are posted at logical coordinates (one device pixel each at
// 96 DPI). Each message gets a moment of its own, so each press and release is drawn as a frame.
// Real input goes through SendInput instead, into the system's input queue as a user's does, where
// it waits behind whatever is posted to the window: only that shows whether a busy window still
// answers its user. What the window shows is read from the virtual display's framebuffer file
// (Xvfb -fbdir; its path in RQ_FRAMEBUFFER), where a test needs pixels.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/installer/installer_process_win32.h"
#include "support/real_input_win32.h"

namespace Ravenquill::Core::Testing {

// The virtual display's screen, read from its framebuffer file, which Xvfb keeps current.
class Screen {
public:
    static std::optional<std::wstring> FramebufferPath() {
        const char* unixPath = std::getenv("RQ_FRAMEBUFFER");
        if (unixPath == nullptr || *unixPath == 0) return std::nullopt;
        std::wstring path = L"Z:";
        for (const char* p = unixPath; *p != 0; ++p) path.push_back(*p == '/' ? L'\\' : static_cast<wchar_t>(*p));
        return path;
    }

    // The screen as it is now; empty when the file cannot be read.
    static Screen Capture() {
        Screen screen;
        const std::optional<std::wstring> path = FramebufferPath();
        if (!path) return screen;
        std::vector<unsigned char> bytes = ReadAll(*path);
        if (bytes.size() < 100) return screen;
        const auto field = [&](std::size_t index) {
            const std::size_t at = index * 4;
            return static_cast<std::uint32_t>(bytes[at] << 24 | bytes[at + 1] << 16 | bytes[at + 2] << 8 |
                                              bytes[at + 3]);
        };
        // XWD: header size, ..., width (4), height (5), ..., bytes per line (12), ..., colours (19).
        const std::uint32_t headerSize = field(0);
        screen.width_ = static_cast<int>(field(4));
        screen.height_ = static_cast<int>(field(5));
        screen.stride_ = field(12);
        const std::size_t start = headerSize + static_cast<std::size_t>(field(19)) * 12;
        if (bytes.size() < start + static_cast<std::size_t>(screen.stride_) * screen.height_) return Screen{};
        screen.pixels_.assign(bytes.begin() + static_cast<std::ptrdiff_t>(start), bytes.end());
        return screen;
    }

    bool Empty() const { return pixels_.empty(); }
    // 0xRRGGBB at a screen position; the four bytes of a pixel are blue, green, red and padding.
    std::uint32_t At(int x, int y) const {
        if (Empty() || x < 0 || y < 0 || x >= width_ || y >= height_) return 0xFFFFFFFF;
        const unsigned char* p = &pixels_[static_cast<std::size_t>(y) * stride_ + static_cast<std::size_t>(x) * 4];
        return static_cast<std::uint32_t>(p[2] << 16 | p[1] << 8 | p[0]);
    }

private:
    static std::vector<unsigned char> ReadAll(const std::wstring& path) {
        std::vector<unsigned char> bytes;
        const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return bytes;
        LARGE_INTEGER size{};
        if (GetFileSizeEx(file, &size) && size.QuadPart > 0) {
            bytes.resize(static_cast<std::size_t>(size.QuadPart));
            DWORD read = 0;
            if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) read = 0;
            bytes.resize(read);
        }
        CloseHandle(file);
        return bytes;
    }

    int width_ = 0;
    int height_ = 0;
    std::uint32_t stride_ = 0;
    std::vector<unsigned char> pixels_;
};

// Red, green and blue each within the tolerance; alpha is not compared.
inline bool Near(std::uint32_t actual, std::uint32_t expected, int tolerance = 8) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int a = static_cast<int>((actual >> shift) & 0xFF);
        const int e = static_cast<int>((expected >> shift) & 0xFF);
        if (a - e > tolerance || e - a > tolerance) return false;
    }
    return true;
}

class LiveInstaller {
public:
    LiveInstaller(const fs::path& program, const std::vector<std::wstring>& arguments) {
        std::wstring commandLine = Quoted(program.wstring());
        for (const std::wstring& argument : arguments) commandLine += L" " + Quoted(argument);
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            program.parent_path().c_str(), &startup, &process)) {
            ADD_FAILURE() << "cannot start " << program << ": error " << GetLastError();
            return;
        }
        CloseHandle(process.hThread);
        process_ = process.hProcess;
        processId_ = process.dwProcessId;
    }
    ~LiveInstaller() {
        if (process_ == nullptr) return;
        // A test that failed half-way leaves no installer behind for the next one.
        if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_, 99);
            WaitForSingleObject(process_, 10'000);
        }
        CloseHandle(process_);
    }
    LiveInstaller(const LiveInstaller&) = delete;
    LiveInstaller& operator=(const LiveInstaller&) = delete;

    // The program's visible installer window, waited for up to 30 s; null when it never came.
    HWND FindWindow() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (window_ == nullptr && std::chrono::steady_clock::now() < deadline) {
            HWND candidate = nullptr;
            while ((candidate = FindWindowExW(nullptr, candidate, L"RavenquillShell", nullptr)) != nullptr) {
                DWORD owner = 0;
                GetWindowThreadProcessId(candidate, &owner);
                if (owner == processId_ && IsWindowVisible(candidate)) window_ = candidate;
            }
            if (window_ == nullptr && WaitForSingleObject(process_, 100) != WAIT_TIMEOUT) break;
        }
        return window_;
    }

    // A message box of the program (a window of the system's dialog class), waited for up to 30 s;
    // null when none came.
    HWND FindMessageBox() const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline) {
            HWND candidate = nullptr;
            while ((candidate = FindWindowExW(nullptr, candidate, L"#32770", nullptr)) != nullptr) {
                DWORD owner = 0;
                GetWindowThreadProcessId(candidate, &owner);
                if (owner == processId_ && IsWindowVisible(candidate)) return candidate;
            }
            if (WaitForSingleObject(process_, 100) != WAIT_TIMEOUT) break;
        }
        return nullptr;
    }
    // The text of a message box: its static control, which the system numbers 0xFFFF.
    static std::wstring MessageBoxText(HWND box) {
        wchar_t text[4096] = {};
        GetDlgItemTextW(box, 0xFFFF, text, 4096);
        return text;
    }

    std::wstring Title() const {
        wchar_t text[256] = {};
        GetWindowTextW(window_, text, 256);
        return text;
    }

    HWND Window() const { return window_; }
    bool Running() const { return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

    // The window's pixel at a logical position as 0xRRGGBB, from the screen as it is now.
    std::uint32_t Pixel(int x, int y) const {
        RECT bounds{};
        GetWindowRect(window_, &bounds);
        return Screen::Capture().At(bounds.left + x, bounds.top + y);
    }

    // Waits until the step rail marks step n (1-based) active: its disc, rows 42 px apart from
    // y 143, filled with the accent colour (0xRRGGBB) just inside its top.
    bool WaitForStep(int n, std::uint32_t accent, std::chrono::milliseconds wait = std::chrono::seconds(30)) const {
        const int y = 143 + 42 * (n - 1) + 3;
        return WaitUntil([&] { return Near(Pixel(64, y), accent, 12); }, wait);
    }

    // Waits until the column x holds a band of the colour (0xRRGGBB) at least run pixels high
    // somewhere between the content's top and the footer: a result page's badge, a disc 68 px
    // across at the content's left edge, in the accent (done), warning (cancelled) or error colour.
    bool WaitForBand(int x, std::uint32_t color, int run,
                     std::chrono::milliseconds wait = std::chrono::seconds(30)) const {
        return WaitUntil(
            [&] {
                const Screen screen = Screen::Capture();
                RECT b{};
                GetWindowRect(window_, &b);
                int length = 0;
                for (int y = 64; y < 488; ++y) {
                    length = Near(screen.At(b.left + x, b.top + y), color, 12) ? length + 1 : 0;
                    if (length >= run) return true;
                }
                return false;
            },
            wait);
    }

    // The open dialog's primary button, once shown: an accent band at least 30 px high in the
    // column x 650, which lies inside every primary button of a dialog (right-aligned at 666, at
    // least 132 px wide). Its top-left corner.
    std::optional<POINT> WaitForDialogButton(std::uint32_t accent,
                                             std::chrono::milliseconds wait = std::chrono::seconds(30)) const {
        std::optional<POINT> found;
        WaitUntil(
            [&] {
                const Screen screen = Screen::Capture();
                RECT b{};
                GetWindowRect(window_, &b);
                const auto isAccent = [&](int x, int y) { return Near(screen.At(b.left + x, b.top + y), accent, 12); };
                int run = 0;
                for (int y = 100; y < 540; ++y) {
                    run = isAccent(650, y) ? run + 1 : 0;
                    if (run < 30) continue;
                    int left = 650;
                    while (left > 260 && isAccent(left - 1, y)) --left;
                    found = POINT{left, y - 29};
                    return true;
                }
                return false;
            },
            wait);
        return found;
    }

    void MoveTo(int x, int y) const { Post(WM_MOUSEMOVE, 0, x, y); }
    void Click(int x, int y, bool pauseAfter = true) const {
        Post(WM_MOUSEMOVE, 0, x, y);
        Post(WM_LBUTTONDOWN, MK_LBUTTON, x, y);
        Post(WM_LBUTTONUP, 0, x, y, pauseAfter);
    }
    // Without the moment after it: queued right behind whatever was posted before.
    void PressEscape() const { PostMessageW(window_, WM_KEYDOWN, VK_ESCAPE, 1); }

    // Real input (tests/support/real_input_win32.h). The pointer moves to the window's logical
    // point; false when it did not land there.
    bool RealMoveTo(int x, int y) const {
        RECT b{};
        if (!GetWindowRect(window_, &b)) return false;
        const POINT at{b.left + x, b.top + y};
        if (!Ravenquill::Testing::SendPointerTo(at)) {
            POINT cursor{};
            GetCursorPos(&cursor);
            ADD_FAILURE() << "the pointer went to " << cursor.x << "," << cursor.y << " instead of " << at.x << ","
                          << at.y;
            return false;
        }
        Pause();
        return true;
    }
    // The pointer moves to the window's logical point and clicks there.
    bool RealClick(int x, int y) const { return RealMoveTo(x, y) && Ravenquill::Testing::SendLeftClick(); }
    // Two clicks there: a double click when the gap is 0, else two clicks the gap apart.
    bool RealClicks(int x, int y, std::chrono::milliseconds gap) const {
        return RealMoveTo(x, y) && Ravenquill::Testing::SendLeftClicks(static_cast<DWORD>(gap.count()));
    }
    // A key pressed and released in the foreground window; the installer's window is brought to
    // the foreground first unless another window of the program is to have the key.
    bool RealKey(WORD key, bool toInstallerWindow = true) const {
        if (toInstallerWindow && !BringToForeground()) return false;
        return Ravenquill::Testing::SendKey(key);
    }
    bool BringToForeground() const {
        return WaitUntil(
            [&] {
                if (GetForegroundWindow() == window_) return true;
                SetForegroundWindow(window_);
                return false;
            },
            std::chrono::seconds(5));
    }
    void Close() const { PostMessageW(window_, WM_CLOSE, 0, 0); }

    // The exit code once the program has ended, or nothing when it still runs after the wait.
    std::optional<DWORD> WaitForExit(std::chrono::milliseconds wait = std::chrono::seconds(45)) const {
        if (WaitForSingleObject(process_, static_cast<DWORD>(wait.count())) != WAIT_OBJECT_0) return std::nullopt;
        DWORD code = 0;
        GetExitCodeProcess(process_, &code);
        return code;
    }

private:
    static bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds wait) {
        const auto deadline = std::chrono::steady_clock::now() + wait;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return true;
    }

    void Post(UINT message, WPARAM keys, int x, int y, bool pause = true) const {
        PostMessageW(window_, message, keys, MAKELPARAM(x, y));
        if (pause) Pause();
    }
    static void Pause() { std::this_thread::sleep_for(std::chrono::milliseconds(150)); }

    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    HWND window_ = nullptr;
};

}  // namespace Ravenquill::Core::Testing
