#include <windows.h>
// after windows.h, which it needs
#include <tlhelp32.h>

#include "core/common/system_text_win32.h"
#include "core/common/text.h"
#include "core/common/unique_handle.h"
#include "core/engine/platform/file_lock_platform.h"

namespace Ravenquill::Core::FileLockPlatform {
namespace {

bool HasExited(HANDLE process) { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }

}  // namespace

std::int32_t CurrentProcessId() noexcept { return static_cast<std::int32_t>(GetCurrentProcessId()); }

int CompareNames(std::wstring_view a, std::wstring_view b) {
    int result = CompareStringEx(LOCALE_NAME_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                                 b.data(), static_cast<int>(b.size()), nullptr, nullptr, 0);
    if (result == 0) return Text::CompareIgnoreCase(a, b);
    return result - CSTR_EQUAL;
}

std::wstring LongForm(const std::wstring& path) { return LongPathName(path).value_or(path); }

std::optional<std::wstring> TryGetProcessName(std::int32_t processId) {
    UniqueHandle process(
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, static_cast<DWORD>(processId)));
    if (!process && GetLastError() == ERROR_INVALID_PARAMETER) return std::nullopt;  // no such process
    if (process) {
        if (HasExited(process.get())) return std::nullopt;
        if (auto image = ProcessImagePath(process.get())) return FileLockRecords::ProcessNameFromImage(*image);
    }
    // Protected processes refuse to be opened; the system's process list still names them.
    std::optional<std::wstring> name;
    ForEachProcess([&](const ProcessEntry& entry, const ModulePathQuery&) {
        if (!name && entry.ProcessId == processId) name = entry.Name;
    });
    return name;
}

void ForEachProcess(const std::function<void(const ProcessEntry&, const ModulePathQuery&)>& visit) {
    UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    // Without the process list no process can be inspected, and such processes are left out.
    if (!snapshot) return;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        ProcessEntry process{static_cast<std::int32_t>(entry.th32ProcessID),
                             FileLockRecords::ProcessNameFromImage(entry.szExeFile)};
        const DWORD id = entry.th32ProcessID;
        visit(process, [id]() -> std::optional<std::wstring> {
            UniqueHandle handle(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, id));
            if (!handle || HasExited(handle.get())) return std::nullopt;
            auto image = ProcessImagePath(handle.get());
            if (image && image->find(L'~') != std::wstring::npos) *image = LongForm(*image);
            return image;
        });
    }
}

}  // namespace Ravenquill::Core::FileLockPlatform
