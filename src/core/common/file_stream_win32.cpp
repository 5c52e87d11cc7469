#include <windows.h>

#include <algorithm>

#include "errors.h"
#include "file_write.h"
#include "io_chunk.h"
#include "long_path.h"
#include "read_stream.h"
#include "unique_handle.h"
#include "win32_error.h"
#include "write_all_win32.h"

namespace Ravenquill {
namespace {

class Win32FileStream final : public ReadStream {
public:
    Win32FileStream(UniqueFileHandle file, std::int64_t length) : file_(std::move(file)), length_(length) {}

    std::size_t Read(std::span<std::byte> buffer) override {
        const DWORD want = static_cast<DWORD>(std::min(buffer.size(), MaxIoChunk));
        DWORD got = 0;
        if (want != 0 && !ReadFile(file_.get(), buffer.data(), want, &got, nullptr)) ThrowLastWin32Error(L"ReadFile");
        position_ += static_cast<std::int64_t>(got);
        return got;
    }
    std::int64_t Length() const override { return length_; }
    std::int64_t Position() const override { return position_; }
    bool CanSeek() const noexcept override { return true; }
    void Seek(std::int64_t position) override {
        if (position < 0)
            throw ArgumentException(L"An attempt was made to move the position before the beginning of the stream.");
        LARGE_INTEGER to{};
        to.QuadPart = position;
        ThrowLastWin32ErrorIf(!SetFilePointerEx(file_.get(), to, nullptr, FILE_BEGIN), L"SetFilePointerEx");
        position_ = position;
    }

private:
    UniqueFileHandle file_;
    std::int64_t length_;
    std::int64_t position_ = 0;
};

}  // namespace

std::unique_ptr<ReadStream> OpenFileForRead(const std::wstring& path) {
    if (path.find(L'\0') != std::wstring::npos) throw ArgumentException(L"Null character in path.");
    UniqueFileHandle file(CreateFileW(LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) ThrowLastWin32Error(path);
    LARGE_INTEGER size{};
    ThrowLastWin32ErrorIf(!GetFileSizeEx(file.get(), &size), path);
    return std::make_unique<Win32FileStream>(std::move(file), size.QuadPart);
}

void WriteAllBytes(const std::wstring& path, std::span<const std::byte> bytes, WriteSharing sharing) {
    if (path.find(L'\0') != std::wstring::npos) throw ArgumentException(L"Null character in path.");
    const DWORD share = sharing == WriteSharing::AllowReaders ? FILE_SHARE_READ : 0;
    UniqueFileHandle file(CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, share, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) ThrowLastWin32Error(path);
    WriteAll(file.get(), bytes, path);
}

}  // namespace Ravenquill
