#include "core/common/system_text_win32.h"
#include "core/model/environment_expansion.h"

namespace Ravenquill::Core::Detail {

std::wstring ExpandEnvironmentVariables(std::wstring_view text) {
    // The platform refuses results past its limit; the template then stays unexpanded.
    return ExpandEnvironmentText(text).value_or(std::wstring(text));
}

}  // namespace Ravenquill::Core::Detail
