#include "registry_win32.h"

namespace Ravenquill {

LSTATUS ReadRegistryString(HKEY key, const wchar_t* name, RegistryString& value) {
    for (;;) {
        DWORD kind = 0;
        DWORD bytes = 0;
        LSTATUS status = RegQueryValueExW(key, name, nullptr, &kind, nullptr, &bytes);
        if (status != ERROR_SUCCESS) return status;
        if (kind != REG_SZ && kind != REG_EXPAND_SZ) return ERROR_UNSUPPORTED_TYPE;
        std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD read = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        status = RegQueryValueExW(key, name, nullptr, &kind, reinterpret_cast<BYTE*>(text.data()), &read);
        if (status == ERROR_MORE_DATA) continue;  // grew between the two calls
        if (status != ERROR_SUCCESS) return status;
        if (kind != REG_SZ && kind != REG_EXPAND_SZ) return ERROR_UNSUPPORTED_TYPE;
        text.resize(read / sizeof(wchar_t));
        while (!text.empty() && text.back() == L'\0') text.pop_back();
        value = RegistryString{std::move(text), kind};
        return ERROR_SUCCESS;
    }
}

}  // namespace Ravenquill
