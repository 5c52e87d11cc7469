#include <windows.h>

#include <string>
#include <variant>

#include "core/common/errors.h"
#include "core/common/registry_win32.h"
#include "core/common/system_text_win32.h"
#include "core/common/text.h"
#include "core/common/unique_handle.h"
#include "core/common/win32_error.h"
#include "core/engine/platform/uninstall_registry.h"

namespace Ravenquill::Core::UninstallRegistry {
namespace {

void SetValue(HKEY key, const RegistryValue& value) {
    LSTATUS status = ERROR_SUCCESS;
    if (const auto* text = std::get_if<std::wstring>(&value.Data)) {
        const DWORD bytes = static_cast<DWORD>((text->size() + 1) * sizeof(wchar_t));
        status =
            RegSetValueExW(key, value.Name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text->c_str()), bytes);
    } else {
        const DWORD number = std::get<std::uint32_t>(value.Data);
        status = RegSetValueExW(key, value.Name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                sizeof(number));
    }
    ThrowIfRegistryFailed(status, value.Name);
}

std::wstring TodayText() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return FormatInstallDate(now.wYear, now.wMonth, now.wDay);
}

// The value as text when it is a string (an expandable one expanded); nothing when it is missing,
// of another kind or cannot be read.
std::optional<std::wstring> ReadString(HKEY key, const wchar_t* name) {
    std::optional<RegistryString> value;
    try {
        value = ReadRegistryString(key, name);
    } catch (const Exception&) {
        return std::nullopt;
    }
    if (!value) return std::nullopt;
    if (value->Kind == REG_SZ) return std::move(value->Text);
    return ExpandEnvironmentText(value->Text);
}

// The entry of one hive; nothing when its key is missing or has no usable location. Access denied
// is a security failure here, as the registry reports it.
std::optional<InstalledEntry> ReadEntry(HKEY hive, const std::wstring& keyPath) {
    UniqueHKey key;
    const LSTATUS opened = RegOpenKeyExW(hive, keyPath.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, key.put());
    if (opened == ERROR_FILE_NOT_FOUND || opened == ERROR_PATH_NOT_FOUND) return std::nullopt;
    if (opened == ERROR_ACCESS_DENIED)
        throw SecurityException(Win32ErrorMessage(ERROR_ACCESS_DENIED) + L" : " + keyPath);
    ThrowIfRegistryFailed(opened, keyPath);
    std::optional<std::wstring> location = ReadString(key.get(), L"InstallLocation");
    if (!location || Text::IsNullOrWhiteSpace(*location)) return std::nullopt;
    return InstalledEntry{std::move(*location), ReadString(key.get(), L"DisplayVersion").value_or(L""),
                          hive == HKEY_LOCAL_MACHINE};
}

}  // namespace

void Write(const InstallRecord& record, const std::wstring& uninstallerPath, std::int64_t totalBytes,
           const std::optional<std::wstring>& iconPath, const std::optional<std::wstring>& website) {
    const std::wstring keyPath = EntryKeyPath(record.ProductId);
    const std::vector<RegistryValue> values =
        EntryValues(record, uninstallerPath, totalBytes, iconPath, website, TodayText());
    UniqueHKey key;
    const LSTATUS created = RegCreateKeyExW(Hive(record.PerMachine), keyPath.c_str(), 0, nullptr, 0,
                                            KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, key.put(), nullptr);
    ThrowIfRegistryFailed(created, keyPath);
    for (const RegistryValue& value : values) SetValue(key.get(), value);
}

void Delete(const std::wstring& productId, bool perMachine) {
    const std::wstring keyPath = EntryKeyPath(productId);
    UniqueHKey key;
    // Opened for writing first: a missing entry, or a per-machine one without administrator
    // rights, is simply left where it is.
    if (RegOpenKeyExW(Hive(perMachine), keyPath.c_str(), 0, KEY_READ | KEY_WRITE | DELETE | KEY_WOW64_64KEY,
                      key.put()) != ERROR_SUCCESS) {
        return;
    }
    LSTATUS status = RegDeleteTreeW(key.get(), nullptr);
    if (status == ERROR_SUCCESS) {
        key.reset();
        status = RegDeleteKeyExW(Hive(perMachine), keyPath.c_str(), KEY_WOW64_64KEY, 0);
        // Gone already (another uninstall removed it meanwhile): what was asked for holds.
        if (status == ERROR_FILE_NOT_FOUND) status = ERROR_SUCCESS;
    }
    if (status == ERROR_SUCCESS) return;
    if (status == ERROR_ACCESS_DENIED) ThrowWin32Error(ERROR_ACCESS_DENIED, keyPath);
    throw IOException(Win32ErrorMessage(static_cast<DWORD>(status)) + L" : " + keyPath, static_cast<DWORD>(status));
}

std::optional<InstalledEntry> FindInHive(const std::wstring& productId, bool perMachine) {
    // Such an id can name no entry of the product: there is none to find.
    if (!IsEntryName(productId)) return std::nullopt;
    try {
        return ReadEntry(Hive(perMachine), EntryKeyPath(productId));
    } catch (const SecurityException&) {
        // This hive's entry may not be read by this user: as far as this user can tell, it has none.
    } catch (const UnauthorizedAccessException&) {
    }
    return std::nullopt;
}

std::optional<InstalledEntry> FindInstalled(const std::wstring& productId) {
    if (auto machine = FindInHive(productId, true)) return machine;
    return FindInHive(productId, false);
}

}  // namespace Ravenquill::Core::UninstallRegistry
