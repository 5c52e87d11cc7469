#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/common/errors.h"
#include "core/common/text.h"
#include "core/model/record_storage.h"

namespace Ravenquill::Core::Detail {
namespace {

[[noreturn]] void ThrowError(int error, const std::wstring& path) {
    std::wstring message = Text::FromUtf8(std::strerror(error)) + L" : " + path;
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            throw DirectoryNotFoundException(std::move(message), 3);
        case EACCES:
        case EPERM:
            throw UnauthorizedAccessException(std::move(message));
        case ENAMETOOLONG:
            throw PathTooLongException(std::move(message), 206);
        default:
            throw IOException(std::move(message));
    }
}

}  // namespace

void CreateDirectoryTree(const std::wstring& path) {
    std::error_code error;
    std::filesystem::create_directories(Text::ToUtf8(path), error);
    if (error) ThrowError(error.value(), path);
}

}  // namespace Ravenquill::Core::Detail
