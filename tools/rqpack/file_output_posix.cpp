#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "core/common/errors.h"
#include "core/common/text.h"
#include "file_output.h"

namespace Ravenquill::Tools {
namespace {

[[noreturn]] void ThrowErrno(const std::wstring& path) {
    throw IOException(Text::FromUtf8(std::strerror(errno)) + L" : " + path);
}

class PosixFileOutput final : public FileOutput {
public:
    PosixFileOutput(std::FILE* file, std::wstring path) : file_(file), path_(std::move(path)) {}
    ~PosixFileOutput() override {
        if (file_ != nullptr) std::fclose(file_);
    }
    void Write(std::span<const std::byte> bytes) override {
        if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) ThrowErrno(path_);
    }
    void Seek(std::int64_t position) override {
        if (fseeko(file_, static_cast<off_t>(position), SEEK_SET) != 0) ThrowErrno(path_);
    }
    void Close() override {
        std::FILE* file = std::exchange(file_, nullptr);
        if (file != nullptr && std::fclose(file) != 0) ThrowErrno(path_);
    }

private:
    std::FILE* file_;
    std::wstring path_;
};

}  // namespace

std::unique_ptr<FileOutput> CreateOutputFile(const std::wstring& path) {
    if (path.find(L'\0') != std::wstring::npos) throw ArgumentException(L"Null character in path.");
    std::FILE* file = std::fopen(Text::ToUtf8(path).c_str(), "wb");
    if (file == nullptr) ThrowErrno(path);
    return std::make_unique<PosixFileOutput>(file, path);
}

}  // namespace Ravenquill::Tools
