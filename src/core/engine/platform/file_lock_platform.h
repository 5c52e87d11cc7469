#pragma once
// The platform layer under the file lock service, kept thin: listing and inspecting processes,
// the Restart Manager query, closing and waiting. The native build has no locked files: it sees
// no processes and closes none.
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/cancellation.h"
#include "core/engine/platform/file_lock_records.h"
#include "core/engine/platform/file_lock_service.h"

namespace Ravenquill::Core::FileLockPlatform {

std::int32_t CurrentProcessId() noexcept;

// The user's culture's comparison ignoring case (ordinal ignoring case natively).
int CompareNames(std::wstring_view a, std::wstring_view b);

// The path with every short (8.3) component in its long form, so that a folder named in either
// form matches the module paths; the path as given when that cannot be had.
std::wstring LongForm(const std::wstring& path);

// The Restart Manager's holders of the file; empty on any failure or when it is unavailable.
std::vector<FileLockRecords::RestartManagerHolder> QueryRestartManagerList(const std::wstring& path);

std::optional<std::wstring> TryGetProcessName(std::int32_t processId);

// One process of the system: its id and its process name; the query answers the path of its main
// module's file in long form (none when the process cannot be inspected).
struct ProcessEntry {
    std::int32_t ProcessId = 0;
    std::wstring Name;
};
using ModulePathQuery = std::function<std::optional<std::wstring>()>;
// Calls the visitor for each process in the order of the system's list; the query opens the
// process only when asked and releases it before the next process.
void ForEachProcess(const std::function<void(const ProcessEntry&, const ModulePathQuery&)>& visit);

// The blocking bodies of CloseAsync and WaitForExitAsync.
std::vector<LockingProcess> CloseProcesses(const std::vector<LockingProcess>& processes,
                                           const CancellationToken& token);
void WaitForExit(ProcessHandle process, std::chrono::milliseconds timeout, const CancellationToken& token);

}  // namespace Ravenquill::Core::FileLockPlatform
