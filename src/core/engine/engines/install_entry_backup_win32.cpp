#include "install_entry_backup.h"

#include <windows.h>

#include <algorithm>

#include "core/common/registry_win32.h"
#include "core/common/text.h"
#include "core/common/unique_handle.h"
#include "core/common/win32_error.h"

namespace Ravenquill::Core::UninstallEntryBackup {
namespace {

std::wstring KeyPath(const std::wstring& productId) {
    return L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + productId;
}

}  // namespace

std::optional<Values> Read(const std::wstring& productId, bool perMachine) {
    if (Text::IsNullOrWhiteSpace(productId)) return std::nullopt;
    const std::wstring path = KeyPath(productId);
    UniqueHKey key;
    const LSTATUS opened = RegOpenKeyExW(Hive(perMachine), path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, key.put());
    if (opened == ERROR_FILE_NOT_FOUND) return std::nullopt;
    ThrowIfRegistryFailed(opened, path);
    DWORD count = 0, longestName = 0, longestData = 0;
    ThrowIfRegistryFailed(RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                                           &longestName, &longestData, nullptr, nullptr),
                          path);
    Values values;
    std::wstring name(longestName + 1, L'\0');
    std::vector<std::byte> data(longestData + 1);
    for (DWORD i = 0; i < count; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataLength = static_cast<DWORD>(data.size());
        DWORD type = 0;
        const LSTATUS status = RegEnumValueW(key.get(), i, name.data(), &nameLength, nullptr, &type,
                                             reinterpret_cast<BYTE*>(data.data()), &dataLength);
        if (status == ERROR_NO_MORE_ITEMS) break;
        ThrowIfRegistryFailed(status, path);
        values.push_back(
            Value{name.substr(0, nameLength), type, std::vector<std::byte>(data.begin(), data.begin() + dataLength)});
    }
    return values;
}

void Restore(const std::wstring& productId, bool perMachine, const Values& values) {
    if (Text::IsNullOrWhiteSpace(productId)) return;
    const std::wstring path = KeyPath(productId);
    UniqueHKey key;
    ThrowIfRegistryFailed(RegCreateKeyExW(Hive(perMachine), path.c_str(), 0, nullptr, 0,
                                          KEY_READ | KEY_WRITE | KEY_WOW64_64KEY, nullptr, key.put(), nullptr),
                          path);
    // Values the failed run added go first; deleting while enumerating would skip some.
    if (const std::optional<Values> now = Read(productId, perMachine)) {
        for (const Value& value : *now) {
            const bool earlier = std::any_of(values.begin(), values.end(), [&](const Value& v) {
                return Text::EqualsIgnoreCase(v.Name, value.Name);
            });
            if (!earlier) ThrowIfRegistryFailed(RegDeleteValueW(key.get(), value.Name.c_str()), path);
        }
    }
    for (const Value& value : values)
        ThrowIfRegistryFailed(
            RegSetValueExW(key.get(), value.Name.c_str(), 0, value.Type,
                           reinterpret_cast<const BYTE*>(value.Data.data()), static_cast<DWORD>(value.Data.size())),
            path);
}

}  // namespace Ravenquill::Core::UninstallEntryBackup
