#include "core/engine/platform/path_variable.h"

#include <vector>

#include "core/common/text.h"

namespace Ravenquill::Core::PathVariable {
namespace {

std::wstring_view Normalised(std::wstring_view path) {
    path = Text::Trim(path);
    while (!path.empty() && path.back() == L'\\') path.remove_suffix(1);
    return path;
}

std::vector<std::wstring> NonEmptyEntries(std::wstring_view value) {
    std::vector<std::wstring> entries;
    for (std::wstring& entry : Text::Split(value, L';')) {
        if (!entry.empty()) entries.push_back(std::move(entry));
    }
    return entries;
}

}  // namespace

bool SamePath(std::wstring_view a, std::wstring_view b) { return Text::EqualsIgnoreCase(Normalised(a), Normalised(b)); }

bool Contains(std::wstring_view pathValue, std::wstring_view dir) {
    for (const std::wstring& entry : NonEmptyEntries(pathValue)) {
        if (SamePath(entry, dir)) return true;
    }
    return false;
}

std::optional<std::wstring> AppendEntry(std::wstring_view stored, std::wstring_view dir, const EntryExpander& expand) {
    for (const std::wstring& entry : NonEmptyEntries(stored)) {
        if (SamePath(expand(entry), dir)) return std::nullopt;
    }
    while (!stored.empty() && stored.back() == L';') stored.remove_suffix(1);
    // A value of nothing but ';' holds no entry: the directory alone, never after an empty entry.
    if (stored.empty()) return std::wstring(dir);
    std::wstring result(stored);
    result.push_back(L';');
    result.append(dir);
    return result;
}

std::wstring RemoveEntry(std::wstring_view stored, std::wstring_view dir, const EntryExpander& expand) {
    std::wstring result;
    bool first = true;
    for (const std::wstring& entry : NonEmptyEntries(stored)) {
        if (SamePath(expand(entry), dir)) continue;
        if (!first) result.push_back(L';');
        first = false;
        result.append(entry);
    }
    return result;
}

}  // namespace Ravenquill::Core::PathVariable
