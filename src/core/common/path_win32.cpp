#include <windows.h>

#include "errors.h"
#include "path.h"
#include "system_text_win32.h"

namespace Ravenquill::Path {

std::wstring GetFullPath(std::wstring_view path) {
    const std::wstring input(path);
    if (input.find(L'\0') != std::wstring::npos) throw ArgumentException(L"Null character in path.");
    if (input.empty()) throw ArgumentException(L"The path is empty.");
    return FullPathName(input);
}

}  // namespace Ravenquill::Path
