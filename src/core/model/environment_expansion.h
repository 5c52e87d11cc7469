#pragma once
// %NAME% expansion by the platform's rules: a name that is not defined stays as written.
#include <string>
#include <string_view>

namespace Ravenquill::Core::Detail {

std::wstring ExpandEnvironmentVariables(std::wstring_view text);

}  // namespace Ravenquill::Core::Detail
