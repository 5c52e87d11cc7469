#pragma once
// The installer's window driven from another process, as a user's mouse and keyboard drive it:
// the program is started without waiting, its window is found by class among the program's own
// windows, and mouse and key messages are posted at logical coordinates (one device pixel each at
// 96 DPI). Each message gets a moment of its own, so each press and release is drawn as a frame.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/installer/installer_process_win32.h"

namespace Ravenquill::Core::Testing {

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

    std::wstring Title() const {
        wchar_t text[256] = {};
        GetWindowTextW(window_, text, 256);
        return text;
    }

    void MoveTo(int x, int y) const { Post(WM_MOUSEMOVE, 0, x, y); }
    void Click(int x, int y, bool pauseAfter = true) const {
        Post(WM_MOUSEMOVE, 0, x, y);
        Post(WM_LBUTTONDOWN, MK_LBUTTON, x, y);
        Post(WM_LBUTTONUP, 0, x, y, pauseAfter);
    }
    // Without the moment after it: queued right behind whatever was posted before.
    void PressEscape() const { PostMessageW(window_, WM_KEYDOWN, VK_ESCAPE, 1); }
    void Close() const { PostMessageW(window_, WM_CLOSE, 0, 0); }

    // The exit code once the program has ended, or nothing when it still runs after the wait.
    std::optional<DWORD> WaitForExit(std::chrono::milliseconds wait = std::chrono::seconds(45)) const {
        if (WaitForSingleObject(process_, static_cast<DWORD>(wait.count())) != WAIT_OBJECT_0) return std::nullopt;
        DWORD code = 0;
        GetExitCodeProcess(process_, &code);
        return code;
    }

private:
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
