#pragma once
// Writing text to a standard handle of either kind. Windows builds only.
#include <windows.h>

#include <string_view>

namespace Ravenquill::Detail {

// A file or a pipe: what a script reads when it redirects the output.
bool IsRedirected(HANDLE handle) noexcept;
// UTF-16 to a console handle, else UTF-8 bytes; false when nothing could be written.
bool WriteText(HANDLE handle, std::wstring_view text) noexcept;

}  // namespace Ravenquill::Detail
