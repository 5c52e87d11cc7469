#include "path.h"

namespace Ravenquill::Path {
namespace {

// Length of the root: "C:\", "\\server\share\", "\" or "/".
std::size_t RootLength(std::wstring_view p) noexcept {
    if (p.size() >= 2 && p[1] == L':') return (p.size() >= 3 && IsSeparator(p[2])) ? 3 : 2;
    if (p.size() >= 2 && IsSeparator(p[0]) && IsSeparator(p[1])) {
        std::size_t i = 2;
        for (int parts = 0; parts < 2 && i < p.size(); ++parts) {
            while (i < p.size() && !IsSeparator(p[i])) ++i;
            if (i < p.size()) ++i;
        }
        return i;
    }
    return (!p.empty() && IsSeparator(p[0])) ? 1 : 0;
}

}  // namespace

bool IsPathRooted(std::wstring_view path) noexcept {
    return (!path.empty() && IsSeparator(path[0])) || (path.size() >= 2 && path[1] == L':');
}

std::wstring_view GetPathRoot(std::wstring_view path) noexcept { return path.substr(0, RootLength(path)); }

std::wstring Combine(std::wstring_view first, std::wstring_view second) {
    if (second.empty()) return std::wstring(first);
    if (first.empty() || IsPathRooted(second)) return std::wstring(second);
    std::wstring out(first);
    if (!IsSeparator(out.back()) && out.back() != L':') out.push_back(Separator);
    out.append(second);
    return out;
}

std::wstring Combine(std::wstring_view first, std::wstring_view second, std::wstring_view third) {
    return Combine(Combine(first, second), third);
}

std::wstring_view GetFileName(std::wstring_view path) noexcept {
    for (std::size_t i = path.size(); i > 0; --i)
        if (IsSeparator(path[i - 1]) || (i - 1 == 1 && path[1] == L':')) return path.substr(i);
    return path;
}

std::wstring GetDirectoryName(std::wstring_view path) {
    const std::size_t root = RootLength(path);
    if (path.size() <= root) return {};
    std::size_t i = path.size();
    while (i > root && !IsSeparator(path[i - 1])) --i;
    std::size_t end = i;
    while (end > root && IsSeparator(path[end - 1])) --end;
    return std::wstring(path.substr(0, end));
}

std::wstring_view TrimEndingSeparators(std::wstring_view path) noexcept {
    const std::size_t root = RootLength(path);
    while (path.size() > root && IsSeparator(path.back())) path.remove_suffix(1);
    return path;
}

}  // namespace Ravenquill::Path
