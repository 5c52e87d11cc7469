#include <windows.h>

#include <optional>
#include <string>

#include "core/common/errors.h"
#include "core/common/registry_win32.h"
#include "core/common/system_text_win32.h"
#include "core/common/unique_handle.h"
#include "core/common/win32_error.h"
#include "core/engine/platform/path_variable.h"

namespace Ravenquill::Core::PathVariable {
namespace {

constexpr wchar_t UserKey[] = L"Environment";
constexpr wchar_t MachineKey[] = L"System\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr wchar_t ValueName[] = L"PATH";

const wchar_t* KeyPath(bool machine) { return machine ? MachineKey : UserKey; }

// The variable as stored: its unexpanded text and whether it is of the expandable kind.
using StoredPath = RegistryString;

std::optional<StoredPath> ReadStored(bool machine) {
    UniqueHKey key;
    const LSTATUS opened =
        RegOpenKeyExW(Hive(machine), KeyPath(machine), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.put());
    if (opened == ERROR_FILE_NOT_FOUND) return std::nullopt;
    ThrowIfRegistryFailed(opened, KeyPath(machine));
    // Only text counts as a PATH; a value of another kind reads as missing.
    return ReadRegistryString(key.get(), ValueName);
}

void BroadcastEnvironmentChange() {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"Environment"), SMTO_NORMAL,
                        1000, &result);
}

void WriteStored(bool machine, const StoredPath& value) {
    UniqueHKey key;
    const LSTATUS opened = RegCreateKeyExW(Hive(machine), KeyPath(machine), 0, nullptr, 0,
                                           KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, key.put(), nullptr);
    if (opened == ERROR_ACCESS_DENIED && machine) {
        // Writing the machine's variable needs administrator rights: a security failure, not a
        // file-system one, so callers that skip access-denied steps still stop on it.
        throw SecurityException(Win32ErrorMessage(ERROR_ACCESS_DENIED) + L" : HKEY_LOCAL_MACHINE\\" + MachineKey);
    }
    ThrowIfRegistryFailed(opened, KeyPath(machine));
    if (value.Text.empty()) {
        const LSTATUS deleted = RegDeleteValueW(key.get(), ValueName);
        if (deleted != ERROR_SUCCESS && deleted != ERROR_FILE_NOT_FOUND) {
            ThrowWin32Error(static_cast<DWORD>(deleted), ValueName);
        }
    } else {
        const DWORD bytes = static_cast<DWORD>((value.Text.size() + 1) * sizeof(wchar_t));
        const LSTATUS set = RegSetValueExW(key.get(), ValueName, 0, value.Kind,
                                           reinterpret_cast<const BYTE*>(value.Text.c_str()), bytes);
        ThrowIfRegistryFailed(set, ValueName);
    }
    key.reset();
    BroadcastEnvironmentChange();
}

std::wstring Expand(std::wstring_view entry) {
    // An entry that cannot be expanded compares as written.
    return ExpandEnvironmentText(entry).value_or(std::wstring(entry));
}

}  // namespace

bool Add(const std::wstring& dir, bool machine) {
    const std::optional<StoredPath> stored = ReadStored(machine);
    StoredPath value = stored.value_or(StoredPath{});
    std::optional<std::wstring> edited = AppendEntry(value.Text, dir, Expand);
    if (!edited) return false;
    value.Text = std::move(*edited);
    WriteStored(machine, value);
    return true;
}

void Remove(const std::wstring& dir, bool machine) {
    std::optional<StoredPath> stored = ReadStored(machine);
    if (!stored || stored->Text.empty()) return;
    stored->Text = RemoveEntry(stored->Text, dir, Expand);
    WriteStored(machine, *stored);
}

}  // namespace Ravenquill::Core::PathVariable
