// The user's light or dark setting for applications, as the personalisation settings store it.
#include <windows.h>

#include "core/common/unique_handle.h"
#include "core/common/win32_error.h"
#include "theme.h"

namespace Ravenquill::Ui::SystemTheme {
namespace {

constexpr wchar_t PersonalizeKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

// Access denied and input/output failures count as "cannot be read"; anything else is unexpected.
bool IsUnreadable(LSTATUS status) {
    switch (status) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_ACCESS_DENIED:
        case ERROR_BAD_PATHNAME:
        case ERROR_INVALID_NAME:
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_SHARING_VIOLATION:
        case ERROR_KEY_DELETED:
        case ERROR_BADDB:
        case ERROR_BADKEY:
        case ERROR_CANTOPEN:
        case ERROR_CANTREAD:
        case ERROR_REGISTRY_IO_FAILED:
        case ERROR_REGISTRY_CORRUPT:
            return true;
        default:
            return false;
    }
}

}  // namespace

bool AppsUseLightTheme() {
    UniqueHKey key;
    LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, PersonalizeKey, 0, KEY_READ, key.put());
    if (status != ERROR_SUCCESS) {
        if (IsUnreadable(status)) return false;
        ThrowWin32Error(static_cast<std::uint32_t>(status), L"RegOpenKeyExW");
    }
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    status = RegQueryValueExW(key.get(), L"AppsUseLightTheme", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    // A value of another type may be larger than a DWORD: it is not a 32-bit integer either way.
    if (status == ERROR_MORE_DATA) return false;
    if (status != ERROR_SUCCESS) {
        if (IsUnreadable(status)) return false;
        ThrowWin32Error(static_cast<std::uint32_t>(status), L"RegQueryValueExW");
    }
    return type == REG_DWORD && size == sizeof value && value != 0;
}

}  // namespace Ravenquill::Ui::SystemTheme
