#include "app/console_output_win32.h"

#include <algorithm>
#include <string>

#include "core/common/text.h"

namespace Ravenquill::Detail {

bool IsRedirected(HANDLE handle) noexcept {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
    const DWORD type = GetFileType(handle);
    return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE;
}

bool WriteText(HANDLE handle, std::wstring_view text) noexcept {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
    DWORD mode = 0;
    // A console shows UTF-16 as it is, whatever its code page.
    if (GetConsoleMode(handle, &mode)) {
        while (!text.empty()) {
            DWORD written = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size(), 8192));
            if (!WriteConsoleW(handle, text.data(), chunk, &written, nullptr) || written == 0) return false;
            text.remove_prefix(written);
        }
        return true;
    }
    try {
        const std::string bytes = Text::ToUtf8(text);
        std::size_t done = 0;
        while (done < bytes.size()) {
            DWORD written = 0;
            if (!WriteFile(handle, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written, nullptr) ||
                written == 0)
                return false;
            done += written;
        }
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace Ravenquill::Detail
