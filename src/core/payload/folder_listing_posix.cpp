#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/common/errors.h"
#include "core/common/text.h"
#include "folder_listing.h"

namespace Ravenquill::Core::PayloadDetail {
namespace {

[[noreturn]] void ThrowFileSystemError(const std::error_code& code, const std::wstring& path) {
    std::wstring message = Text::FromUtf8(code.message()) + L" : " + path;
    if (code == std::errc::no_such_file_or_directory || code == std::errc::not_a_directory)
        throw DirectoryNotFoundException(std::move(message), 3);
    if (code == std::errc::permission_denied || code == std::errc::operation_not_permitted)
        throw UnauthorizedAccessException(std::move(message));
    throw IOException(std::move(message));
}

}  // namespace

std::vector<ListedFile> ListFilesBelow(const std::wstring& root) {
    namespace fs = std::filesystem;
    const fs::path rootPath(Text::ToUtf8(root));
    std::vector<ListedFile> files;
    std::error_code error;
    fs::recursive_directory_iterator it(rootPath, fs::directory_options::none, error);
    if (error) ThrowFileSystemError(error, root);
    for (const fs::recursive_directory_iterator end; it != end; it.increment(error)) {
        if (error) ThrowFileSystemError(error, root);
        if (!it->is_regular_file(error)) continue;
        std::wstring relative = Text::FromUtf8(it->path().lexically_relative(rootPath).generic_string());
        std::replace(relative.begin(), relative.end(), L'/', L'\\');
        const auto size = it->file_size(error);
        if (error) ThrowFileSystemError(error, Text::FromUtf8(it->path().string()));
        files.push_back(ListedFile{std::move(relative), static_cast<std::int64_t>(size)});
    }
    if (error) ThrowFileSystemError(error, root);
    return files;
}

}  // namespace Ravenquill::Core::PayloadDetail
