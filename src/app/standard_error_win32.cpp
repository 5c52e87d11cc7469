#include <windows.h>

#include <string>

#include "app/console_output_win32.h"
#include "app/standard_error.h"

namespace Ravenquill {

void WriteStandardErrorLine(std::wstring_view line) noexcept {
    try {
        std::wstring text(line);
        text += L"\r\n";
        Detail::WriteText(GetStdHandle(STD_ERROR_HANDLE), text);
    } catch (...) {
        // Nothing more can be said about a failure to say something.
    }
}

}  // namespace Ravenquill
