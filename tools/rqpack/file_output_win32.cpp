#include <windows.h>

#include "core/common/errors.h"
#include "core/common/long_path.h"
#include "core/common/unique_handle.h"
#include "core/common/win32_error.h"
#include "core/common/write_all_win32.h"
#include "file_output.h"

namespace Ravenquill::Tools {
namespace {

class Win32FileOutput final : public FileOutput {
public:
    Win32FileOutput(UniqueFileHandle file, std::wstring path) : file_(std::move(file)), path_(std::move(path)) {}
    void Write(std::span<const std::byte> bytes) override { WriteAll(file_.get(), bytes, path_); }
    void Seek(std::int64_t position) override {
        LARGE_INTEGER to{};
        to.QuadPart = position;
        ThrowLastWin32ErrorIf(!SetFilePointerEx(file_.get(), to, nullptr, FILE_BEGIN), path_);
    }
    void Close() override { file_.reset(); }

private:
    UniqueFileHandle file_;
    std::wstring path_;
};

}  // namespace

std::unique_ptr<FileOutput> CreateOutputFile(const std::wstring& path) {
    if (path.find(L'\0') != std::wstring::npos) throw ArgumentException(L"Null character in path.");
    UniqueFileHandle file(
        CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) ThrowLastWin32Error(path);
    return std::make_unique<Win32FileOutput>(std::move(file), path);
}

}  // namespace Ravenquill::Tools
