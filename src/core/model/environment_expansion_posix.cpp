// The native build follows the Windows rules with the process environment: "%NAME%" with a
// defined name becomes its value; an undefined "%NAME%" stays as it is and the scan goes on after it.
#include <cstdlib>

#include "core/common/text.h"
#include "core/model/environment_expansion.h"

namespace Ravenquill::Core::Detail {

std::wstring ExpandEnvironmentVariables(std::wstring_view text) {
    std::wstring out;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t open = text.find(L'%', i);
        if (open == std::wstring_view::npos) break;
        const std::size_t close = text.find(L'%', open + 1);
        if (close == std::wstring_view::npos) break;
        out.append(text.substr(i, open - i));
        const std::wstring_view name = text.substr(open + 1, close - open - 1);
        const char* value = name.empty() ? nullptr : std::getenv(Text::ToUtf8(name).c_str());
        if (value != nullptr) {
            out += Text::FromUtf8(value);
            i = close + 1;
        } else {
            out.append(text.substr(open, close - open + 1));
            i = close + 1;
        }
    }
    out.append(text.substr(i));
    return out;
}

}  // namespace Ravenquill::Core::Detail
