#include <windows.h>
// after windows.h, which it needs
#include <tlhelp32.h>

#include <algorithm>
#include <string>
#include <unordered_set>

#include "core/common/unique_handle.h"
#include "core/common/win32_error.h"
#include "core/engine/platform/file_lock_platform.h"

namespace Ravenquill::Core::FileLockPlatform {
namespace {

using namespace std::chrono_literals;

constexpr auto CloseRequestWait = 6s;
constexpr auto TerminationWait = 5s;
constexpr auto FinalPause = 400ms;

bool HasExited(HANDLE process) { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }

// The creation time of the process, to tell a real child from a process that reuses an old id.
std::optional<ULONGLONG> StartTime(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return std::nullopt;
    return (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

std::optional<ULONGLONG> StartTime(DWORD processId) {
    UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process) return std::nullopt;
    return StartTime(process.get());
}

// Process id and parent id of every process of the system.
std::vector<std::pair<DWORD, DWORD>> ParentLinks() {
    UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) ThrowLastWin32ProcessError(L"CreateToolhelp32Snapshot");
    std::vector<std::pair<DWORD, DWORD>> links;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        links.emplace_back(entry.th32ProcessID, entry.th32ParentProcessID);
    }
    return links;
}

// Whether this process is the root or descends from it. Each step up must lead to a process that
// started before the one below it, or the recorded parent id belongs to a newer process.
bool TreeContainsCurrentProcess(DWORD root) {
    DWORD current = GetCurrentProcessId();
    if (current == root) return true;
    auto currentStart = StartTime(GetCurrentProcess());
    const auto links = ParentLinks();
    for (std::size_t depth = 0; depth < links.size() && currentStart; ++depth) {
        DWORD parent = 0;
        bool found = false;
        for (const auto& [id, parentId] : links) {
            if (id == current) {
                parent = parentId;
                found = true;
                break;
            }
        }
        if (!found || parent == 0 || parent == current) return false;
        auto parentStart = StartTime(parent);
        if (!parentStart || *parentStart > *currentStart) return false;
        if (parent == root) return true;
        current = parent;
        currentStart = parentStart;
    }
    return false;
}

void TerminateOne(HANDLE process, DWORD processId, std::vector<std::exception_ptr>& failures) {
    if (TerminateProcess(process, 1)) return;
    DWORD error = GetLastError();
    // Terminating a process that has just exited is refused; it is ended all the same.
    if (HasExited(process)) return;
    failures.push_back(Win32ProcessError(error, L"TerminateProcess, PID " + std::to_wstring(processId)));
}

// Terminates the process, then depth first each child that started after it, with its own children.
void TerminateTree(HANDLE process, DWORD processId, std::unordered_set<DWORD>& visited,
                   std::vector<std::exception_ptr>& failures) {
    visited.insert(processId);
    auto start = StartTime(process);
    TerminateOne(process, processId, failures);
    if (!start) return;  // without its start time no child can be told from an id reused later
    for (const auto& [id, parentId] : ParentLinks()) {
        if (parentId != processId || visited.contains(id)) continue;
        UniqueHandle child(OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, id));
        if (!child) continue;
        auto childStart = StartTime(child.get());
        if (!childStart || *childStart <= *start) continue;
        TerminateTree(child.get(), id, visited, failures);
    }
}

void EndProcessTree(HANDLE process, DWORD processId) {
    if (TreeContainsCurrentProcess(processId)) {
        throw InvalidOperationException(L"The process tree contains the current process and is not ended.");
    }
    std::unordered_set<DWORD> visited;
    std::vector<std::exception_ptr> failures;
    TerminateTree(process, processId, visited, failures);
    if (!failures.empty()) throw ProcessTreeException(std::move(failures));
}

// The first top-level window of the enumeration that belongs to the process, has no owner and is
// visible.
HWND MainWindow(DWORD processId) {
    struct Search {
        DWORD ProcessId;
        HWND Found;
    } search{processId, nullptr};
    EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(context);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != s.ProcessId || GetWindow(window, GW_OWNER) != nullptr || !IsWindowVisible(window)) return TRUE;
            s.Found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

// Opens the process for closing; a null handle with the error when that fails. Without the right
// to terminate it, it can still be asked to close and waited for.
UniqueHandle OpenForClosing(DWORD processId, DWORD& error) {
    UniqueHandle process(
        OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, processId));
    if (!process && GetLastError() == ERROR_ACCESS_DENIED) {
        process.reset(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, processId));
    }
    error = process ? ERROR_SUCCESS : GetLastError();
    return process;
}

// Asks the process to close, then ends its tree; answers whether it is still running.
bool CloseOne(HANDLE process, DWORD processId, const CancellationToken& token) {
    HWND window = MainWindow(processId);
    if (window && (GetWindowLongW(window, GWL_STYLE) & WS_DISABLED) == 0) {
        PostMessageW(window, WM_CLOSE, 0, 0);
        WaitForExit(process, CloseRequestWait, token);
    }
    if (!HasExited(process)) {
        EndProcessTree(process, processId);
        WaitForExit(process, TerminationWait, token);
    }
    return !HasExited(process);
}

}  // namespace

std::vector<LockingProcess> CloseProcesses(const std::vector<LockingProcess>& processes,
                                           const CancellationToken& token) {
    std::vector<LockingProcess> stillRunning;
    for (const auto& candidate : processes) {
        if (!candidate.CanBeClosed()) {
            stillRunning.push_back(candidate);
            continue;
        }
        const auto processId = static_cast<DWORD>(candidate.ProcessId());
        DWORD openError = ERROR_SUCCESS;
        UniqueHandle process = OpenForClosing(processId, openError);
        if (!process) {
            // No process has that id any more: it counts as closed. Any other refusal is a
            // platform error about the process, which leaves it running.
            if (openError != ERROR_INVALID_PARAMETER) stillRunning.push_back(candidate);
            continue;
        }
        if (HasExited(process.get())) continue;
        try {
            if (CloseOne(process.get(), processId, token)) stillRunning.push_back(candidate);
        } catch (const PlatformException&) {
            stillRunning.push_back(candidate);
        } catch (const UnauthorizedAccessException&) {
            stillRunning.push_back(candidate);
        } catch (const InvalidOperationException&) {
            stillRunning.push_back(candidate);
        } catch (const NotSupportedException&) {
            stillRunning.push_back(candidate);
        }
    }
    if (stillRunning.empty()) Delay(FinalPause, token);
    return stillRunning;
}

void WaitForExit(ProcessHandle process, std::chrono::milliseconds timeout, const CancellationToken& token) {
    // In slices that test the token, not with a std::stop_callback that signals an event: with the
    // MinGW runtime such a callback, run by a stop on another thread, can leave this thread waiting
    // forever when it destroys the callback (see WaitFor).
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        const auto left =
            timeout - std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        const auto slice =
            std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, CancellationPollInterval.count());
        // The exit is looked at first: a process that has exited ends the wait normally even when
        // the token is cancelled as well.
        switch (WaitForSingleObject(static_cast<HANDLE>(process), static_cast<DWORD>(slice))) {
            case WAIT_OBJECT_0:
                return;
            case WAIT_TIMEOUT:
                break;
            default:
                ThrowLastWin32ProcessError(L"WaitForSingleObject");
        }
        ThrowIfCancellationRequested(token);
        if (left.count() <= slice) return;
    }
}

}  // namespace Ravenquill::Core::FileLockPlatform
