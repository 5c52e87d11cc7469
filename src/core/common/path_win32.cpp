#include <windows.h>

#include "errors.h"
#include "path.h"
#include "win32_error.h"

namespace Ravenquill::Path {

std::wstring GetFullPath(std::wstring_view path) {
    const std::wstring input(path);
    if (input.find(L'\0') != std::wstring::npos) throw ArgumentException(L"Null character in path.");
    if (input.empty()) throw ArgumentException(L"The path is empty.");
    std::wstring out(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetFullPathNameW(input.c_str(), static_cast<DWORD>(out.size()), out.data(), nullptr);
        ThrowLastWin32ErrorIf(n == 0, input);
        if (n < out.size()) {
            out.resize(n);
            return out;
        }
        out.resize(n);
    }
}

}  // namespace Ravenquill::Path
