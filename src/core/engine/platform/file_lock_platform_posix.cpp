#include <unistd.h>

#include "core/common/text.h"
#include "core/engine/platform/file_lock_platform.h"

// Files are not locked against writing on this platform, so there is nobody to find or close: the
// native build sees no processes, and what it is asked to close stays running.
namespace Ravenquill::Core::FileLockPlatform {

std::int32_t CurrentProcessId() noexcept { return static_cast<std::int32_t>(getpid()); }

int CompareNames(std::wstring_view a, std::wstring_view b) { return Text::CompareIgnoreCase(a, b); }

std::wstring LongForm(const std::wstring& path) { return path; }

std::vector<FileLockRecords::RestartManagerHolder> QueryRestartManagerList(const std::wstring&) { return {}; }

std::optional<std::wstring> TryGetProcessName(std::int32_t) { return std::nullopt; }

void ForEachProcess(const std::function<void(const ProcessEntry&, const ModulePathQuery&)>&) {}

std::vector<LockingProcess> CloseProcesses(const std::vector<LockingProcess>& processes, const CancellationToken&) {
    return processes;
}

void WaitForExit(ProcessHandle, std::chrono::milliseconds, const CancellationToken&) {
    throw NotSupportedException(L"Processes cannot be waited for on this platform.");
}

}  // namespace Ravenquill::Core::FileLockPlatform
