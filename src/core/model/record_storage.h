#pragma once
// The two file-system writes that saving a record needs. Failures are the I/O kinds of errors.h
// (access denied as UnauthorizedAccessException).
#include <cstddef>
#include <span>
#include <string>

namespace Ravenquill::Core::Detail {

// Creates the directory with any missing parents; nothing happens when it exists.
void CreateDirectoryTree(const std::wstring& path);
// Creates or replaces the file with exactly these bytes.
void WriteAllBytes(const std::wstring& path, std::span<const std::byte> bytes);

}  // namespace Ravenquill::Core::Detail
