#pragma once
// The folder that saving a record needs. Failures are the I/O kinds of errors.h
// (access denied as UnauthorizedAccessException).
#include <string>

namespace Ravenquill::Core::Detail {

// Creates the directory with any missing parents; nothing happens when it exists.
void CreateDirectoryTree(const std::wstring& path);

}  // namespace Ravenquill::Core::Detail
