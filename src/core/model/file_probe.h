#pragma once
// The existence tests under their earlier names, for the packing tool until it takes them from the
// file-system layer itself.
#include <string>

#include "core/common/file_system.h"

namespace Ravenquill::Core::Detail {

inline bool FileExists(const std::wstring& path) { return FileSystem::FileExists(path); }
inline bool DirectoryExists(const std::wstring& path) { return FileSystem::DirectoryExists(path); }

}  // namespace Ravenquill::Core::Detail
