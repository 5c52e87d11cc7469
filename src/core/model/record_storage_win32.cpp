#include <windows.h>
#include <algorithm>

#include "core/common/long_path.h"
#include "core/common/path.h"
#include "core/common/unique_handle.h"
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

void WriteAllBytes(const std::wstring& path, std::span<const std::byte> bytes) {
    UniqueFileHandle file(CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    ThrowLastWin32ErrorIf(!file, path);
    std::size_t written = 0;
    while (written < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - written, 1u << 30));
        DWORD done = 0;
        ThrowLastWin32ErrorIf(!WriteFile(file.get(), bytes.data() + written, chunk, &done, nullptr), path);
        written += done;
    }
}

}  // namespace Ravenquill::Core::Detail
