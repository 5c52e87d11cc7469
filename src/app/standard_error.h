#pragma once
// One line to the process's standard error, for failures a user or a script must be able to read.
#include <string_view>

namespace Ravenquill {

// Windows: UTF-16 to a console, else UTF-8 with CR LF to a file or pipe; nothing when the process
// has no standard error (a program started from the desktop shell). Never fails.
void WriteStandardErrorLine(std::wstring_view line) noexcept;

}  // namespace Ravenquill
