#pragma once
// The test payload's product ("RQ Installer Test", id RQInstallerTest) as the built installer
// leaves it on the machine: its uninstall entry in either hive and its default folders.
#include <windows.h>

#include <optional>
#include <string>

#include "core/engine/install_test_support.h"

namespace Ravenquill::Core::Testing {

inline constexpr wchar_t TestEntryKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\RQInstallerTest";

// The InstallLocation of the product's entry in the machine's or the user's hive (this 64-bit
// program reads the 64-bit view, the installer's).
inline std::optional<std::wstring> EntryLocation(bool perMachine = false) {
    wchar_t text[1024] = {};
    DWORD size = sizeof(text);
    if (RegGetValueW(perMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, TestEntryKey, L"InstallLocation",
                     RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(text);
}

// Both hives' entries taken away.
inline void ForgetEntries() {
    RegDeleteTreeW(HKEY_CURRENT_USER, TestEntryKey);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, TestEntryKey);
}

// The folder an installation of the product goes to by default, for either scope.
inline fs::path DefaultFolder(bool perMachine) {
    InstallManifest manifest;
    manifest.ProductName = L"RQ Installer Test";
    manifest.Publisher = L"Ravenquill Tests";
    return fs::path(manifest.Expand(perMachine ? manifest.DefaultInstallDir : manifest.PerUserInstallDir));
}

// Whether a PATH value holds the folder as one of its entries.
inline bool PathHolds(const std::optional<std::wstring>& value, const fs::path& folder) {
    return value && PathVariable::Contains(*value, folder.wstring());
}

}  // namespace Ravenquill::Core::Testing
