#include "core/engine/platform/file_lock_service.h"

#include <utility>

#include "core/common/async.h"
#include "core/common/file_system.h"
#include "core/common/path.h"
#include "core/common/text.h"
#include "core/engine/platform/file_lock_platform.h"
#include "core/engine/platform/file_lock_records.h"

namespace Ravenquill::Core {
namespace {

std::wstring JoinMessages(const std::vector<std::exception_ptr>& failures) {
    std::wstring message;
    for (const auto& failure : failures) {
        if (!message.empty()) message += L"; ";
        message += MessageOf(failure);
    }
    return message;
}

}  // namespace

ProcessTreeException::ProcessTreeException(std::vector<std::exception_ptr> failures)
    : Exception(JoinMessages(failures)), failures_(std::move(failures)) {}

const std::vector<std::wstring>& FileLockService::CriticalNames() {
    static const std::vector<std::wstring> names(FileLockRecords::CriticalNames().begin(),
                                                 FileLockRecords::CriticalNames().end());
    return names;
}

std::vector<LockingProcess> FileLockService::FindLockingProcesses(const std::wstring& path) {
    auto holders = QueryRestartManager(path);
    if (!holders.empty()) return holders;
    std::wstring folder = Path::GetDirectoryName(path);
    return FindProcessesInDirectory(folder.empty() ? path : folder);
}

std::vector<LockingProcess> FileLockService::FindProcessesInDirectory(const std::wstring& directory) {
    if (Text::IsNullOrWhiteSpace(directory)) return {};
    std::wstring full;
    try {
        full = Path::GetFullPath(directory);
    } catch (const Exception&) {
        return {};  // a path the platform cannot make full names no directory
    }
    if (!FileSystem::DirectoryExists(full)) return {};
    const std::wstring prefix = FileLockRecords::DirectoryPrefix(FileLockPlatform::LongForm(full));
    const std::int32_t self = FileLockPlatform::CurrentProcessId();
    std::vector<LockingProcess> found;
    FileLockPlatform::ForEachProcess(
        [&](const FileLockPlatform::ProcessEntry& entry, const FileLockPlatform::ModulePathQuery& modulePath) {
            if (entry.ProcessId == self) return;
            auto module = modulePath();
            if (!module || module->empty() || !FileLockRecords::RunsFrom(*module, prefix)) return;
            found.push_back(CreateLockingProcess(entry.ProcessId, entry.Name));
        });
    return Distinct(found);
}

std::future<std::vector<LockingProcess>> FileLockService::CloseAsync(std::vector<LockingProcess> processes,
                                                                     CancellationToken token) {
    return RunAsync([processes = std::move(processes), token = std::move(token)] {
        return FileLockPlatform::CloseProcesses(processes, token);
    });
}

std::future<void> FileLockService::WaitForExitAsync(ProcessHandle process, std::chrono::milliseconds timeout,
                                                    CancellationToken token) {
    return RunAsync(
        [process, timeout, token = std::move(token)] { FileLockPlatform::WaitForExit(process, timeout, token); });
}

std::vector<LockingProcess> FileLockService::QueryRestartManager(const std::wstring& path) {
    auto holders = FileLockRecords::QueryLockList(path);
    return Distinct(FileLockRecords::FromRestartManager(holders, FileLockPlatform::CurrentProcessId(),
                                                        [](std::int32_t id) { return TryGetProcessName(id); }));
}

std::optional<std::wstring> FileLockService::TryGetProcessName(std::int32_t processId) {
    return FileLockPlatform::TryGetProcessName(processId);
}

LockingProcess FileLockService::CreateLockingProcess(std::int32_t processId, std::wstring name) {
    return FileLockRecords::CreateLockingProcess(processId, std::move(name), FileLockPlatform::CurrentProcessId());
}

std::vector<LockingProcess> FileLockService::Distinct(const std::vector<LockingProcess>& processes) {
    return FileLockRecords::Distinct(processes, FileLockPlatform::CompareNames);
}

}  // namespace Ravenquill::Core
