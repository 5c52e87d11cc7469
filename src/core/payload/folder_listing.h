#pragma once
// What the payload needs of the file system besides opening files and testing existence.
#include <cstdint>
#include <string>
#include <vector>

namespace Ravenquill::Core::PayloadDetail {

struct ListedFile {
    std::wstring RelativePath;  // parts separated by '\'
    std::int64_t Length = 0;
};

// Every file below the root at any depth, without sorting; directory links are not followed.
// A directory that cannot be listed fails with the I/O or access error of the platform.
std::vector<ListedFile> ListFilesBelow(const std::wstring& root);

}  // namespace Ravenquill::Core::PayloadDetail
