#pragma once
// The pure rules of the file lock service: which names are critical, how the Restart Manager's
// holders become LockingProcess records, de-duplication and order, and which main modules count as
// running from a directory. Both builds test them without the platform.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/common/scoped_override.h"
#include "core/model/locking_process.h"

namespace Ravenquill::Core::FileLockRecords {

// One element of the Restart Manager's list: the process id and the application name it reported.
struct RestartManagerHolder {
    std::int32_t ProcessId = 0;
    std::wstring AppName;
};

// Where the Restart Manager's list for a file comes from; empty when nobody holds the file or any
// step of the query failed.
using LockListSource = std::function<std::vector<RestartManagerHolder>(const std::wstring& path)>;

namespace Detail {
// The replacement in force, none for the platform's Restart Manager.
LockListSource& ReplacedLockListSource() noexcept;
}  // namespace Detail

// Replaces the lock-list source while it lives (tests: the Restart Manager of the test platform
// reports no holders). Not for concurrent use with running queries.
class ScopedLockListSource : ScopedOverride<LockListSource> {
public:
    explicit ScopedLockListSource(LockListSource source)
        : ScopedOverride(Detail::ReplacedLockListSource(), std::move(source)) {}
};

// The source in effect: a replacement, else the platform's Restart Manager query.
std::vector<RestartManagerHolder> QueryLockList(const std::wstring& path);

using NameLookup = std::function<std::optional<std::wstring>(std::int32_t processId)>;
using NameComparison = std::function<int(std::wstring_view, std::wstring_view)>;

// The names of processes that are never closed, in their fixed order.
std::span<const std::wstring_view> CriticalNames() noexcept;
// Whether the name is one of them, compared ordinally ignoring case.
bool IsCriticalName(std::wstring_view name) noexcept;

LockingProcess CreateLockingProcess(std::int32_t processId, std::wstring name, std::int32_t currentProcessId);

// First element of each process id, in the order of the first elements, then stably sorted by name.
std::vector<LockingProcess> Distinct(const std::vector<LockingProcess>& processes, const NameComparison& compareNames);

// The holders in order without this process; each named by the lookup, else by the reported
// application name; blank names are dropped. Not yet de-duplicated.
std::vector<LockingProcess> FromRestartManager(const std::vector<RestartManagerHolder>& holders,
                                               std::int32_t currentProcessId, const NameLookup& lookup);

// The full directory path stripped of trailing separators, followed by one separator.
std::wstring DirectoryPrefix(std::wstring_view fullDirectory);
// Whether a main module's path lies under the prefix (ordinal, ignoring case).
bool RunsFrom(std::wstring_view modulePath, std::wstring_view prefix) noexcept;

// The executable's file name without the extension when that is ".exe".
std::wstring ProcessNameFromImage(std::wstring_view imagePath);

}  // namespace Ravenquill::Core::FileLockRecords
