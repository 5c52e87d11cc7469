#pragma once
// Existence tests as the loaders need them: a side file counts only as a file, a payload folder
// only as a folder. A path holding U+0000 names nothing (the platform would cut it short there).
#include <string>

namespace Ravenquill::Core::Detail {

// An existing file (not a directory).
bool FileExists(const std::wstring& path);
// An existing directory.
bool DirectoryExists(const std::wstring& path);

}  // namespace Ravenquill::Core::Detail
