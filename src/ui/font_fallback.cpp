#include "ui/font_fallback.h"

namespace Ravenquill::Ui {

std::wstring ChooseFontFamily(const std::wstring& wanted, const std::function<bool(const std::wstring&)>& installed,
                              const std::function<std::optional<std::wstring>()>& firstFamily) {
    if (installed(wanted)) return wanted;
    for (const wchar_t* fallback : {L"Segoe UI", L"Tahoma"})
        if (installed(fallback)) return fallback;
    if (std::optional<std::wstring> first = firstFamily()) return *std::move(first);
    return wanted;
}

}  // namespace Ravenquill::Ui
