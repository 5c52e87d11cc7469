// The native build's part of the file-system layer: what the portable code and its tests call.
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "errors.h"
#include "file_system.h"
#include "file_system_platform.h"
#include "path.h"
#include "posix_error.h"
#include "text.h"

namespace Ravenquill::FileSystem {
namespace {

bool Names(const std::wstring& path) { return !path.empty() && path.find(L'\0') == std::wstring::npos; }

}  // namespace

bool FileExists(const std::wstring& path) {
    if (!Names(path)) return false;
    std::error_code error;
    const auto status = std::filesystem::status(Text::ToUtf8(path), error);
    return !error && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

bool DirectoryExists(const std::wstring& path) {
    if (!Names(path)) return false;
    std::error_code error;
    return std::filesystem::is_directory(Text::ToUtf8(path), error);
}

namespace Detail {

bool CreateOneDirectory(const std::wstring& path) {
    if (mkdir(Text::ToUtf8(path).c_str(), 0777) == 0) return true;
    const int error = errno;
    if (error == EEXIST && DirectoryExists(path)) return false;
    // A folder that cannot be made lies below one that is not there or is a file.
    ThrowPosixError(error == ENOENT ? ENOTDIR : error, path);
}

}  // namespace Detail

std::uint64_t FreeBytesAvailable(const std::wstring& directory) {
    if (directory.find(L'\0') != std::wstring::npos) throw ArgumentException(L"Null character in path.");
    struct statvfs info {};
    if (statvfs(Text::ToUtf8(directory).c_str(), &info) != 0) ThrowPosixError(errno, directory);
    return static_cast<std::uint64_t>(info.f_bavail) * static_cast<std::uint64_t>(info.f_frsize);
}

std::wstring TempDirectory() {
    std::wstring path = Text::FromUtf8(std::filesystem::temp_directory_path().string());
    if (path.empty() || !Path::IsSeparator(path.back())) path += Path::Separator;
    return path;
}

}  // namespace Ravenquill::FileSystem
