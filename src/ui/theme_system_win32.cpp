// The user's light or dark setting for applications, as the personalisation settings store it.
#include <windows.h>

#include "core/common/unique_handle.h"
#include "theme.h"

namespace Ravenquill::Ui::SystemTheme {
namespace {

constexpr wchar_t PersonalizeKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
constexpr wchar_t LightValue[] = L"AppsUseLightTheme";

}  // namespace

// Every registry status is a denial or an input/output failure of the key or the value: none of
// them may stop the wizard from starting, so each counts as the dark setting.
bool AppsUseLightTheme() {
    UniqueHKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, PersonalizeKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    // A value of another type may be larger than a DWORD (ERROR_MORE_DATA): not a 32-bit integer.
    const LSTATUS status =
        RegQueryValueExW(key.get(), LightValue, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    return status == ERROR_SUCCESS && type == REG_DWORD && size == sizeof value && value != 0;
}

}  // namespace Ravenquill::Ui::SystemTheme
