#include "registry_win32.h"

#include "win32_error.h"

namespace Ravenquill {
namespace {

bool HoldsText(DWORD kind) noexcept { return kind == REG_SZ || kind == REG_EXPAND_SZ; }

}  // namespace

std::optional<RegistryString> ReadRegistryString(HKEY key, const wchar_t* name) {
    for (;;) {
        DWORD kind = 0;
        DWORD bytes = 0;
        LSTATUS status = RegQueryValueExW(key, name, nullptr, &kind, nullptr, &bytes);
        if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
        ThrowIfRegistryFailed(status, name);
        if (!HoldsText(kind)) return std::nullopt;
        std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD read = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        status = RegQueryValueExW(key, name, nullptr, &kind, reinterpret_cast<BYTE*>(text.data()), &read);
        if (status == ERROR_MORE_DATA) continue;  // grew between the two calls
        if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
        ThrowIfRegistryFailed(status, name);
        if (!HoldsText(kind)) return std::nullopt;
        text.resize(read / sizeof(wchar_t));
        while (!text.empty() && text.back() == L'\0') text.pop_back();
        return RegistryString{std::move(text), kind};
    }
}

}  // namespace Ravenquill
