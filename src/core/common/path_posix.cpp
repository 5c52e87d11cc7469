#include <filesystem>

#include "path.h"
#include "text.h"

namespace Ravenquill::Path {

std::wstring GetFullPath(std::wstring_view path) {
    std::filesystem::path p(Text::ToUtf8(path));
    auto full = std::filesystem::absolute(p).lexically_normal().string();
    if (full.size() > 1 && full.back() == '/') full.pop_back();
    return Text::FromUtf8(full);
}

}  // namespace Ravenquill::Path
