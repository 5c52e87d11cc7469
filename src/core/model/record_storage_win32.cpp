#include <windows.h>

#include "core/common/long_path.h"
#include "core/common/path.h"
#include "core/common/win32_error.h"
#include "core/model/record_storage.h"

namespace Ravenquill::Core::Detail {

void CreateDirectoryTree(const std::wstring& path) {
    const std::wstring trimmed(Path::TrimEndingSeparators(path));
    const DWORD attributes = GetFileAttributesW(LongPath(trimmed).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return;
    const std::wstring parent = Path::GetDirectoryName(trimmed);
    if (!parent.empty() && parent != trimmed) CreateDirectoryTree(parent);
    if (!CreateDirectoryW(LongPath(trimmed).c_str(), nullptr)) {
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS) ThrowWin32Error(error, trimmed);
    }
}

}  // namespace Ravenquill::Core::Detail
