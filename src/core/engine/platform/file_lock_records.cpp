#include "core/engine/platform/file_lock_records.h"

#include <algorithm>
#include <array>
#include <unordered_set>
#include <utility>

#include "core/common/path.h"
#include "core/common/text.h"
#include "core/engine/platform/file_lock_platform.h"

namespace Ravenquill::Core::FileLockRecords {
LockListSource& Detail::ReplacedLockListSource() noexcept {
    static LockListSource replaced;
    return replaced;
}

std::vector<RestartManagerHolder> QueryLockList(const std::wstring& path) {
    if (const LockListSource& replaced = Detail::ReplacedLockListSource()) return replaced(path);
    return FileLockPlatform::QueryRestartManagerList(path);
}

std::span<const std::wstring_view> CriticalNames() noexcept {
    static constexpr std::array<std::wstring_view, 10> names = {
        L"explorer", L"csrss", L"winlogon", L"wininit", L"services", L"lsass", L"smss", L"dwm", L"system", L"svchost"};
    return names;
}

bool IsCriticalName(std::wstring_view name) noexcept {
    const auto critical = CriticalNames();
    return std::any_of(critical.begin(), critical.end(),
                       [name](std::wstring_view c) { return Text::EqualsIgnoreCase(c, name); });
}

LockingProcess CreateLockingProcess(std::int32_t processId, std::wstring name, std::int32_t currentProcessId) {
    bool canBeClosed = !IsCriticalName(name) && processId != currentProcessId;
    return LockingProcess(processId, std::move(name), canBeClosed);
}

std::vector<LockingProcess> Distinct(const std::vector<LockingProcess>& processes, const NameComparison& compareNames) {
    std::vector<LockingProcess> result;
    std::unordered_set<std::int32_t> seen;
    for (const auto& p : processes) {
        if (seen.insert(p.ProcessId()).second) result.push_back(p);
    }
    std::stable_sort(result.begin(), result.end(), [&](const LockingProcess& a, const LockingProcess& b) {
        return compareNames(a.Name(), b.Name()) < 0;
    });
    return result;
}

std::vector<LockingProcess> FromRestartManager(const std::vector<RestartManagerHolder>& holders,
                                               std::int32_t currentProcessId, const NameLookup& lookup) {
    std::vector<LockingProcess> result;
    for (const auto& holder : holders) {
        if (holder.ProcessId == currentProcessId) continue;
        std::wstring name = lookup(holder.ProcessId).value_or(holder.AppName);
        if (Text::IsNullOrWhiteSpace(name)) continue;
        result.push_back(CreateLockingProcess(holder.ProcessId, std::move(name), currentProcessId));
    }
    return result;
}

std::wstring DirectoryPrefix(std::wstring_view fullDirectory) {
    // A root keeps no separator of its own here, so "C:\" gives "C:\" and not "C:\\".
    while (!fullDirectory.empty() && Path::IsSeparator(fullDirectory.back())) fullDirectory.remove_suffix(1);
    std::wstring prefix(fullDirectory);
    prefix += Path::Separator;
    return prefix;
}

bool RunsFrom(std::wstring_view modulePath, std::wstring_view prefix) noexcept {
    return Text::StartsWithIgnoreCase(modulePath, prefix);
}

std::wstring ProcessNameFromImage(std::wstring_view imagePath) {
    std::wstring_view name = Path::GetFileName(imagePath);
    if (Text::EndsWithIgnoreCase(name, L".exe")) name.remove_suffix(4);
    return std::wstring(name);
}

}  // namespace Ravenquill::Core::FileLockRecords
