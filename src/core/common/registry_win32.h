#pragma once
// The registry's hives and string values as the engines read them. Windows builds only.
#include <windows.h>

#include <optional>
#include <string>

namespace Ravenquill {

// The hive of a per-machine (HKEY_LOCAL_MACHINE) or per-user (HKEY_CURRENT_USER) installation.
inline HKEY Hive(bool perMachine) noexcept { return perMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

// A value that holds text as stored: its unexpanded text and its kind (REG_SZ or REG_EXPAND_SZ).
struct RegistryString {
    std::wstring Text;
    DWORD Kind = REG_SZ;
};

// A text value of the key, its trailing terminators dropped, asked for again when it grew between
// asking for its size and reading it. Nothing for a missing value or one that holds no text; any
// other failure of the read is the exception for the registry's code (ThrowIfRegistryFailed).
std::optional<RegistryString> ReadRegistryString(HKEY key, const wchar_t* name);

}  // namespace Ravenquill
