#pragma once
// The registry's hives and string values as the engines read them. Windows builds only.
#include <windows.h>

#include <string>

namespace Ravenquill {

// The hive of a per-machine (HKEY_LOCAL_MACHINE) or per-user (HKEY_CURRENT_USER) installation.
inline HKEY Hive(bool perMachine) noexcept { return perMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

// A value that holds text as stored: its unexpanded text and its kind (REG_SZ or REG_EXPAND_SZ).
struct RegistryString {
    std::wstring Text;
    DWORD Kind = REG_SZ;
};

// Reads a text value of the key into `value`, its trailing terminators dropped, asking again when
// it grew between asking for its size and reading it. The registry's status: ERROR_SUCCESS,
// ERROR_FILE_NOT_FOUND for a missing value, ERROR_UNSUPPORTED_TYPE for a value that holds no
// text, or the failure of the read.
[[nodiscard]] LSTATUS ReadRegistryString(HKEY key, const wchar_t* name, RegistryString& value);

}  // namespace Ravenquill
