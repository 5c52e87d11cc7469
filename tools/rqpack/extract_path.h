#pragma once
// Where an entry lands when a payload is written out below a folder.
#include <string>

namespace Ravenquill::Tools {

// The full target path of the entry below the root, or an InvalidDataException for a path that
// would land outside it (rooted, a drive or stream colon, a ".." part) or that holds U+0000, which
// the file system would take as the end of the name.
std::wstring ExtractTargetPath(const std::wstring& root, const std::wstring& relativePath);

}  // namespace Ravenquill::Tools
