#pragma once
// Who holds a file, who runs from a directory, and closing them. Holders come from the Restart
// Manager, falling back to the processes that run from the file's folder; closing first asks a
// process's main window to close and then ends its process tree. Every answer is a list of
// LockingProcess records; the callers word everything the user sees.
#include <chrono>
#include <cstdint>
#include <exception>
#include <future>
#include <optional>
#include <string>
#include <vector>

#include "core/common/cancellation.h"
#include "core/common/errors.h"
#include "core/model/locking_process.h"

namespace Ravenquill::Core {

// A Win32 process handle (HANDLE) with at least SYNCHRONIZE access, in the Windows build.
using ProcessHandle = void*;

// A process tree that could not be ended whole: the processes that could be terminated were, and
// each failure is kept. The message is the failures' own messages, one after another.
class ProcessTreeException : public Exception {
public:
    explicit ProcessTreeException(std::vector<std::exception_ptr> failures);
    const std::vector<std::exception_ptr>& Failures() const noexcept { return failures_; }

private:
    std::vector<std::exception_ptr> failures_;
};

class FileLockService {
public:
    FileLockService() = delete;

    // Names of processes that are never closed, compared ordinally ignoring case: "explorer",
    // "csrss", "winlogon", "wininit", "services", "lsass", "smss", "dwm", "system", "svchost".
    static const std::vector<std::wstring>& CriticalNames();

    // The file's holders by the Restart Manager or, when none is found, the processes running from
    // its folder (the path itself when it has no folder part); possibly empty. Inspects processes:
    // may take noticeable time.
    static std::vector<LockingProcess> FindLockingProcesses(const std::wstring& path);

    // The processes whose main module lies in the directory or below it, without this process;
    // empty for a blank path or one that names no existing directory.
    static std::vector<LockingProcess> FindProcessesInDirectory(const std::wstring& directory);

    // Closes the processes one after another and answers those still running afterwards.
    // Processes that may not be closed are answered untouched; one already gone counts as closed.
    // A process tree that could not be ended whole and a cancellation end the operation.
    static std::future<std::vector<LockingProcess>> CloseAsync(std::vector<LockingProcess> processes,
                                                               CancellationToken token = {});

    // Waits until the process exits or the time-out passes; throws OperationCanceledException only
    // when the token is cancelled.
    static std::future<void> WaitForExitAsync(ProcessHandle process, std::chrono::milliseconds timeout,
                                              CancellationToken token = {});

    // The file's holders by the Restart Manager, without this process, de-duplicated and sorted;
    // empty whenever the Restart Manager fails or is unavailable.
    static std::vector<LockingProcess> QueryRestartManager(const std::wstring& path);

    // The process name (its executable's file name without ".exe"), or none when no process has
    // that id or it has exited.
    static std::optional<std::wstring> TryGetProcessName(std::int32_t processId);

    // CanBeClosed is false for a critical name and for this process.
    static LockingProcess CreateLockingProcess(std::int32_t processId, std::wstring name);

    // First of each process id, stably sorted by name in the user's culture ignoring case.
    static std::vector<LockingProcess> Distinct(const std::vector<LockingProcess>& processes);
};

}  // namespace Ravenquill::Core
