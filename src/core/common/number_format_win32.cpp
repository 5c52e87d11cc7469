#include <windows.h>

#include "number_format.h"

namespace Ravenquill::Detail {
namespace {

std::wstring LocaleText(LCTYPE type, const wchar_t* fallback) {
    wchar_t buffer[16] = {};
    const int n = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buffer, 16);
    return n > 1 ? std::wstring(buffer, static_cast<std::size_t>(n - 1)) : std::wstring(fallback);
}

}  // namespace

NumberFormat PlatformNumberFormat() {
    return NumberFormat{LocaleText(LOCALE_SDECIMAL, L"."), LocaleText(LOCALE_SNEGATIVESIGN, L"-")};
}

}  // namespace Ravenquill::Detail
