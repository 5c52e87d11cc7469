#pragma once
// Drives the installer's window from outside, as a user would: finds it by its class, reads its
// title, styles and rectangle, posts the pointer's moves, presses and releases at logical
// coordinates of the window, keys and close requests, and reads what is on the screen from the
// virtual display's framebuffer file (Xvfb -fbdir; its path in RQ_FRAMEBUFFER).
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace Ravenquill::Testing::WindowDriver {

inline constexpr wchar_t ClassName[] = L"RavenquillShell";

struct Found {
    HWND Window = nullptr;
    DWORD ProcessId = 0;
};

// The visible installer window of the process, waiting up to timeout for it.
inline HWND FindWindowOf(DWORD processId, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
        HWND window = nullptr;
        while ((window = FindWindowExW(nullptr, window, ClassName, nullptr)) != nullptr) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == processId && IsWindowVisible(window)) return window;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    } while (std::chrono::steady_clock::now() < deadline);
    return nullptr;
}

inline std::wstring Title(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

inline RECT Bounds(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

inline LPARAM Point(int x, int y) {
    return static_cast<LPARAM>((static_cast<std::uint32_t>(y & 0xFFFF) << 16) | static_cast<std::uint32_t>(x & 0xFFFF));
}

inline void Move(HWND window, int x, int y) { PostMessageW(window, WM_MOUSEMOVE, 0, Point(x, y)); }

// A move there, a press and a release, with time for the frames between them.
inline void Click(HWND window, int x, int y) {
    Move(window, x, y);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, Point(x, y));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    PostMessageW(window, WM_LBUTTONUP, 0, Point(x, y));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

inline void PressEscape(HWND window) { PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0); }
inline void RequestClose(HWND window) { PostMessageW(window, WM_CLOSE, 0, 0); }

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

}  // namespace Ravenquill::Testing::WindowDriver
