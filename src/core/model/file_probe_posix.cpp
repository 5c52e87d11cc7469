#include <filesystem>
#include <system_error>

#include "core/common/text.h"
#include "core/model/file_probe.h"

namespace Ravenquill::Core::Detail {

bool FileExists(const std::wstring& path) {
    if (path.empty() || path.find(L'\0') != std::wstring::npos) return false;
    std::error_code error;
    const auto status = std::filesystem::status(Text::ToUtf8(path), error);
    return !error && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

bool DirectoryExists(const std::wstring& path) {
    if (path.empty() || path.find(L'\0') != std::wstring::npos) return false;
    std::error_code error;
    return std::filesystem::is_directory(Text::ToUtf8(path), error);
}

}  // namespace Ravenquill::Core::Detail
