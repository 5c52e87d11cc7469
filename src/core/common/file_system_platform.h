#pragma once
// What each build's part of the file-system layer gives the portable part.
#include <string>

namespace Ravenquill::FileSystem::Detail {

// Makes one directory whose parent exists: true when it was made, false when a directory of that
// name was there already (made meanwhile by someone else); the platform's error otherwise.
bool CreateOneDirectory(const std::wstring& path);

}  // namespace Ravenquill::FileSystem::Detail
