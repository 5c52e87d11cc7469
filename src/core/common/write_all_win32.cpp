#include "write_all_win32.h"

#include <algorithm>

#include "io_chunk.h"
#include "win32_error.h"

namespace Ravenquill {

void WriteAll(HANDLE file, std::span<const std::byte> bytes, std::wstring_view subject) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min(bytes.size(), MaxIoChunk));
        DWORD written = 0;
        ThrowLastWin32ErrorIf(!WriteFile(file, bytes.data(), chunk, &written, nullptr), subject);
        bytes = bytes.subspan(written);
    }
}

}  // namespace Ravenquill
