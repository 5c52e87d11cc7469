#include <windows.h>

#include "errors.h"
#include "file_append.h"
#include "long_path.h"
#include "unique_handle.h"
#include "win32_error.h"
#include "write_all_win32.h"

namespace Ravenquill {

struct AppendFile::Handle {
    UniqueFileHandle File;
};

AppendFile::AppendFile(const std::wstring& path) : path_(path) {
    if (path.find(L'\0') != std::wstring::npos) throw ArgumentException(L"Null character in path.");
    // Append access without write access: the system puts every write at the end of the file as it
    // is at that moment, so writers in other processes never overwrite each other's lines.
    UniqueFileHandle file(CreateFileW(LongPath(path).c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                      nullptr));
    if (!file) ThrowLastWin32Error(path);
    LARGE_INTEGER size{};
    ThrowLastWin32ErrorIf(!GetFileSizeEx(file.get(), &size), path);
    wasEmpty_ = size.QuadPart == 0;
    handle_ = std::make_unique<Handle>(Handle{std::move(file)});
}

AppendFile::~AppendFile() = default;
AppendFile::AppendFile(AppendFile&&) noexcept = default;
AppendFile& AppendFile::operator=(AppendFile&&) noexcept = default;

void AppendFile::Append(std::span<const std::byte> bytes) {
    if (!handle_) throw ObjectDisposedException(path_);
    WriteAll(handle_->File.get(), bytes, path_);
}

}  // namespace Ravenquill
