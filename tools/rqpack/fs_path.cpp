#include "fs_path.h"

#include "core/common/text.h"

namespace Ravenquill::Tools {

std::filesystem::path ToFsPath(const std::wstring& path) {
    if constexpr (sizeof(wchar_t) == 2) {
        return std::filesystem::path(path);
    } else {
        return std::filesystem::path(Text::ToUtf8(path));
    }
}

std::wstring FromFsPath(const std::filesystem::path& path) {
    if constexpr (sizeof(wchar_t) == 2) {
        return path.wstring();
    } else {
        return Text::FromUtf8(path.string());
    }
}

}  // namespace Ravenquill::Tools
