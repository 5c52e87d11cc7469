#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/common/errors.h"
#include "core/common/text.h"
#include "png_file.h"

namespace Ravenquill::Ui::Detail {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};

[[noreturn]] void ThrowErrno(const std::wstring& path) {
    const int code = errno;
    std::wstring message = Text::FromUtf8(std::strerror(code)) + L" : " + path;
    if (code == ENOENT) throw DirectoryNotFoundException(std::move(message));
    if (code == EACCES || code == EPERM) throw UnauthorizedAccessException(std::move(message));
    throw IOException(std::move(message));
}

}  // namespace

void WriteNewFile(const std::wstring& path, std::span<const std::uint8_t> bytes) {
    if (path.find(L'\0') != std::wstring::npos) throw ArgumentException(L"Null character in path.");
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(Text::ToUtf8(path).c_str(), "wb"));
    if (!file) ThrowErrno(path);
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) ThrowErrno(path);
    if (std::fclose(file.release()) != 0) ThrowErrno(path);
}

}  // namespace Ravenquill::Ui::Detail
