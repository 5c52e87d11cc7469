#include <cerrno>
#include <filesystem>

#include "core/common/posix_error.h"
#include "core/common/text.h"
#include "core/model/record_storage.h"

namespace Ravenquill::Core::Detail {

void CreateDirectoryTree(const std::wstring& path) {
    std::error_code error;
    std::filesystem::create_directories(Text::ToUtf8(path), error);
    // A folder that cannot be made lies below one that is not there or is a file.
    if (error) ThrowPosixError(error.value() == ENOENT ? ENOTDIR : error.value(), path);
}

}  // namespace Ravenquill::Core::Detail
