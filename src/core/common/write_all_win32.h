#pragma once
// The one write-everything loop for a file handle. Windows builds only.
#include <windows.h>

#include <cstddef>
#include <span>
#include <string_view>

namespace Ravenquill {

// Writes every byte at the handle's position, in pieces of at most MaxIoChunk; a failed write
// throws the error of Win32Error with the subject (the file's path).
void WriteAll(HANDLE file, std::span<const std::byte> bytes, std::wstring_view subject);

}  // namespace Ravenquill
