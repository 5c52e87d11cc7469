#include <windows.h>

#include "core/model/environment_expansion.h"

namespace Ravenquill::Core::Detail {

std::wstring ExpandEnvironmentVariables(std::wstring_view text) {
    const std::wstring source(text);
    std::wstring expanded(source.size() + 1, L'\0');
    for (;;) {
        const DWORD needed =
            ExpandEnvironmentStringsW(source.c_str(), expanded.data(), static_cast<DWORD>(expanded.size()));
        // The platform refuses results past its limit; the template then stays unexpanded.
        if (needed == 0) return source;
        if (needed <= expanded.size()) {
            expanded.resize(needed - 1);
            return expanded;
        }
        expanded.resize(needed);
    }
}

}  // namespace Ravenquill::Core::Detail
