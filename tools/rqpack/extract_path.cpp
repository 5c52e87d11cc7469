#include "extract_path.h"

#include "core/common/errors.h"
#include "core/common/path.h"
#include "core/common/text.h"

namespace Ravenquill::Tools {
namespace {

[[noreturn]] void Refuse(const std::wstring& relativePath, const wchar_t* why) {
    std::wstring shown = relativePath;
    for (wchar_t& c : shown)
        if (c == L'\0') c = L'\uFFFD';
    throw InvalidDataException(L"Entry path refused (" + std::wstring(why) + L"): " + shown);
}

}  // namespace

std::wstring ExtractTargetPath(const std::wstring& root, const std::wstring& relativePath) {
    if (relativePath.find(L'\0') != std::wstring::npos) Refuse(relativePath, L"contains U+0000");
    if (relativePath.empty() || Path::IsSeparator(relativePath.front()) || Path::IsPathRooted(relativePath))
        Refuse(relativePath, L"not relative");
    if (relativePath.find(L':') != std::wstring::npos) Refuse(relativePath, L"contains ':'");
    std::wstring native;
    for (const wchar_t c : relativePath) native += Path::IsSeparator(c) ? Path::Separator : c;
    for (const std::wstring& part : Text::Split(native, Path::Separator)) {
        // Windows drops trailing dots and spaces, so ".. " and "..." are ".." too.
        const std::wstring_view trimmed = Text::TrimEnd(part);
        if (trimmed.find_first_not_of(L'.') == std::wstring_view::npos && trimmed.size() >= 2)
            Refuse(relativePath, L"leads outside the folder");
    }
    const std::wstring base(Path::TrimEndingSeparators(Path::GetFullPath(root)));
    const std::wstring target = Path::GetFullPath(Path::Combine(base, native));
    if (target.size() <= base.size() + 1 || target.compare(0, base.size(), base) != 0 ||
        !Path::IsSeparator(target[base.size()]))
        Refuse(relativePath, L"leads outside the folder");
    return target;
}

}  // namespace Ravenquill::Tools
