// Appending for the native build: O_APPEND puts every write at the end of the file, as the Windows
// build's append access does.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "errors.h"
#include "file_append.h"
#include "posix_error.h"
#include "text.h"

namespace Ravenquill {

struct AppendFile::Handle {
    int Descriptor = -1;
    ~Handle() {
        if (Descriptor >= 0) ::close(Descriptor);
    }
};

AppendFile::AppendFile(const std::wstring& path) : path_(path) {
    if (path.find(L'\0') != std::wstring::npos) throw ArgumentException(L"Null character in path.");
    auto handle = std::make_unique<Handle>();
    handle->Descriptor = ::open(Text::ToUtf8(path).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (handle->Descriptor < 0) ThrowPosixError(errno == ENOENT ? ENOTDIR : errno, path);
    struct stat status {};
    if (::fstat(handle->Descriptor, &status) != 0) ThrowPosixError(errno, path);
    wasEmpty_ = status.st_size == 0;
    handle_ = std::move(handle);
}

AppendFile::~AppendFile() = default;
AppendFile::AppendFile(AppendFile&&) noexcept = default;
AppendFile& AppendFile::operator=(AppendFile&&) noexcept = default;

void AppendFile::Append(std::span<const std::byte> bytes) {
    if (!handle_) throw ObjectDisposedException(path_);
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t done = ::write(handle_->Descriptor, bytes.data() + written, bytes.size() - written);
        if (done < 0) {
            if (errno == EINTR) continue;
            ThrowPosixError(errno, path_);
        }
        written += static_cast<std::size_t>(done);
    }
}

}  // namespace Ravenquill
