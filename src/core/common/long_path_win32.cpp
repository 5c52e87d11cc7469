#include "long_path.h"

#include "path.h"

namespace Ravenquill {

std::wstring LongPath(const std::wstring& path) {
    if (path.size() < 248 || path.starts_with(L"\\\\?\\")) return path;
    std::wstring full = Path::GetFullPath(path);
    if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

}  // namespace Ravenquill
