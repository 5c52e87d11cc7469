#include <windows.h>

#include <algorithm>

#include "core/common/errors.h"
#include "core/common/long_path.h"
#include "core/common/unique_handle.h"
#include "core/common/win32_error.h"
#include "png_file.h"

namespace Ravenquill::Ui::Detail {

void WriteNewFile(const std::wstring& path, std::span<const std::uint8_t> bytes) {
    if (path.find(L'\0') != std::wstring::npos) throw ArgumentException(L"Null character in path.");
    // No sharing: nobody reads a screenshot while it is being written.
    UniqueFileHandle file(
        CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) ThrowLastWin32Error(path);
    std::size_t written = 0;
    while (written < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - written, 1u << 30));
        DWORD done = 0;
        ThrowLastWin32ErrorIf(!WriteFile(file.get(), bytes.data() + written, chunk, &done, nullptr), path);
        written += done;
    }
}

}  // namespace Ravenquill::Ui::Detail
