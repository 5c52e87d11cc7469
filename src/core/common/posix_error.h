#pragma once
// The native build's counterpart of ThrowWin32Error: an errno value as the matching kind of
// errors.h, the system's words and the path in the message.
#include <string>

namespace Ravenquill {

[[noreturn]] void ThrowPosixError(int error, const std::wstring& path);

}  // namespace Ravenquill
