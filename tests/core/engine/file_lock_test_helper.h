#pragma once
// Small processes for the file lock tests: the test executable copied to a temporary folder and
// started in one of the helper modes below. Every helper ends by itself after a minute, belongs to
// a job that ends it with the test process, and is terminated when its owner goes out of scope, so
// no test leaves one behind. Windows builds only.
#include <windows.h>

#include <chrono>
#include <optional>
#include <string>

#include "core/common/unique_handle.h"

namespace Ravenquill::Core::FileLockTest {

enum class HelperMode {
    Hold,            // holds the file named by the argument open, shared with nobody
    Window,          // shows a window that closes on WM_CLOSE
    DisabledWindow,  // shows a disabled window (as behind a modal dialog)
    StubbornWindow,  // shows a window that ignores WM_CLOSE
    Sleep,           // no window
    Parent,          // no window; has started a child helper in Sleep mode
    Exit,            // ends as soon as it is ready
};

// Exit codes of a helper.
constexpr DWORD ClosedExitCode = 0;      // its window was closed
constexpr DWORD TerminatedExitCode = 1;  // the code the service terminates processes with
constexpr DWORD ExpiredExitCode = 3;     // it ended itself after a minute

class HelperProcess {
public:
    // Copies the test executable to exePath (folders made as needed), starts it and waits until
    // it is ready.
    HelperProcess(const std::wstring& exePath, HelperMode mode, const std::wstring& argument = {});
    ~HelperProcess();
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;

    DWORD Id() const noexcept { return id_; }
    HANDLE Handle() const noexcept { return process_.get(); }
    bool IsRunning() const;
    // True when it exited within the time.
    bool WaitForExit(std::chrono::milliseconds timeout) const;
    // Its exit code once it has exited.
    std::optional<DWORD> ExitCode() const;

private:
    UniqueHandle process_;
    DWORD id_ = 0;
};

// The ids of the running processes whose recorded parent is the process.
std::vector<DWORD> ChildProcessIds(DWORD parentId);

}  // namespace Ravenquill::Core::FileLockTest
