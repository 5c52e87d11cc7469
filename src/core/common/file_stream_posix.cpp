// File reading and writing for the native build: UTF-16 paths become UTF-8 file names.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "errors.h"
#include "file_write.h"
#include "posix_error.h"
#include "read_stream.h"
#include "text.h"

namespace Ravenquill {
namespace {

class PosixFileStream final : public ReadStream {
public:
    PosixFileStream(std::FILE* file, std::int64_t length) : file_(file), length_(length) {}
    ~PosixFileStream() override { std::fclose(file_); }
    PosixFileStream(const PosixFileStream&) = delete;
    PosixFileStream& operator=(const PosixFileStream&) = delete;

    std::size_t Read(std::span<std::byte> buffer) override {
        const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), file_);
        if (n == 0 && std::ferror(file_)) throw IOException(Text::FromUtf8(std::strerror(errno)));
        position_ += static_cast<std::int64_t>(n);
        return n;
    }
    std::int64_t Length() const override { return length_; }
    std::int64_t Position() const override { return position_; }
    bool CanSeek() const noexcept override { return true; }
    void Seek(std::int64_t position) override {
        if (position < 0)
            throw ArgumentException(L"An attempt was made to move the position before the beginning of the stream.");
        if (fseeko(file_, static_cast<off_t>(position), SEEK_SET) != 0)
            throw IOException(Text::FromUtf8(std::strerror(errno)));
        position_ = position;
    }

private:
    std::FILE* file_;
    std::int64_t length_;
    std::int64_t position_ = 0;
};

}  // namespace

void ThrowPosixError(int error, const std::wstring& path) {
    std::wstring message = Text::FromUtf8(std::strerror(error)) + L" : " + path;
    switch (error) {
        case ENOENT:
            throw FileNotFoundException(std::move(message), 2);
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

std::unique_ptr<ReadStream> OpenFileForRead(const std::wstring& path) {
    if (path.find(L'\0') != std::wstring::npos) throw ArgumentException(L"Null character in path.");
    std::FILE* file = std::fopen(Text::ToUtf8(path).c_str(), "rb");
    if (file == nullptr) ThrowPosixError(errno, path);
    if (fseeko(file, 0, SEEK_END) != 0) {
        const int error = errno;
        std::fclose(file);
        ThrowPosixError(error, path);  // a directory lands here
    }
    const std::int64_t length = ftello(file);
    fseeko(file, 0, SEEK_SET);
    return std::make_unique<PosixFileStream>(file, length);
}

void WriteAllBytes(const std::wstring& path, std::span<const std::byte> bytes, WriteSharing) {
    if (path.find(L'\0') != std::wstring::npos) throw ArgumentException(L"Null character in path.");
    struct Closer {
        void operator()(std::FILE* f) const noexcept { std::fclose(f); }
    };
    // A file that cannot be created names a folder that is not there.
    auto fail = [&path](int error) { ThrowPosixError(error == ENOENT ? ENOTDIR : error, path); };
    std::unique_ptr<std::FILE, Closer> file(std::fopen(Text::ToUtf8(path).c_str(), "wb"));
    if (!file) fail(errno);
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) fail(errno);
    if (std::fclose(file.release()) != 0) fail(errno);
}

}  // namespace Ravenquill
