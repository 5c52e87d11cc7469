#include "uninstall_rules.h"

#include <algorithm>

#include "core/common/errors.h"
#include "core/common/path.h"
#include "core/common/text.h"
#include "install_rules.h"

namespace Ravenquill::Core::UninstallRules {
namespace {

constexpr std::wstring_view ForbiddenNameCharacters = L"<>\"|?*";

bool IsForbiddenNameCharacter(wchar_t c) noexcept {
    return c < 0x20 || ForbiddenNameCharacters.find(c) != std::wstring_view::npos;
}

// Used on the Windows build only: the native one has no drive letters.
[[maybe_unused]] bool IsDriveLetter(wchar_t c) noexcept { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

}  // namespace

bool IsFullyQualified(std::wstring_view path) noexcept {
    if constexpr (Path::Separator == L'/') {
        return !path.empty() && path[0] == L'/';
    } else {
        if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == L':' && Path::IsSeparator(path[2])) return true;
        return path.size() >= 3 && Path::IsSeparator(path[0]) && Path::IsSeparator(path[1]) &&
               !Path::IsSeparator(path[2]);
    }
}

bool IsShortcutPath(std::wstring_view path) noexcept {
    return IsFullyQualified(path) && Text::EndsWithIgnoreCase(path, L".lnk");
}

bool IsUserDataFolderName(std::wstring_view name) noexcept {
    if (!InstallRules::IsPlainFolderName(name)) return false;
    if (name.back() == L'.' || name.back() == L' ') return false;
    return std::none_of(name.begin(), name.end(), IsForbiddenNameCharacter);
}

std::optional<std::wstring> ResolveInside(const std::wstring& installDir, std::wstring_view relative) {
    if (relative.empty() || relative.find(L'\0') != std::wstring_view::npos) return std::nullopt;
    // Records always write '\'; read both, so that each build resolves every step of the path.
    std::wstring steps(relative);
    std::replace_if(steps.begin(), steps.end(), Path::IsSeparator, Path::Separator);
    std::wstring full;
    try {
        full = Path::GetFullPath(Path::Combine(installDir, steps));
    } catch (const Exception&) {
        return std::nullopt;  // a path the system cannot even resolve names nothing of ours
    }
    if (!InstallRules::IsInside(full, installDir)) return std::nullopt;
    return full;
}

std::vector<std::wstring> FoldersBetween(const std::wstring& installDir, const std::wstring& fullPath) {
    std::vector<std::wstring> folders;
    for (std::wstring folder = Path::GetDirectoryName(fullPath); InstallRules::IsInside(folder, installDir);
         folder = Path::GetDirectoryName(folder)) {
        folders.push_back(folder);
    }
    std::reverse(folders.begin(), folders.end());
    return folders;
}

bool NamesSameDirectory(std::wstring_view a, std::wstring_view b) {
    return Text::EqualsIgnoreCase(Path::TrimEndingSeparators(a), Path::TrimEndingSeparators(b));
}

std::vector<std::wstring> InstallationCandidates(const std::optional<std::wstring>& explicitDir,
                                                 std::wstring_view executableDir,
                                                 const std::optional<std::wstring>& registeredLocation) {
    std::vector<std::wstring> candidates;
    const auto add = [&](std::wstring_view dir) {
        const bool seen = std::any_of(candidates.begin(), candidates.end(),
                                      [&](const std::wstring& c) { return Text::EqualsIgnoreCase(c, dir); });
        if (!seen) candidates.emplace_back(dir);
    };
    if (explicitDir && !Text::IsNullOrWhiteSpace(*explicitDir)) add(*explicitDir);
    std::wstring_view own = executableDir;
    while (!own.empty() && own.back() == L'\\') own.remove_suffix(1);
    // No folder at all would make the record path relative to the current directory.
    if (!own.empty()) add(own);
    if (registeredLocation) add(*registeredLocation);
    return candidates;
}

std::vector<std::wstring> ParentsToRemove(std::wstring_view installDir, const std::vector<std::wstring>& recorded) {
    std::vector<std::wstring> parents;
    for (const std::wstring& folder : recorded) {
        // A quote would end the command processor's argument early; no folder name holds one.
        if (!IsFullyQualified(folder) || folder.find_first_of(std::wstring_view(L"\"\0", 2)) != std::wstring::npos)
            continue;
        const std::wstring parent(Path::TrimEndingSeparators(folder));
        // A drive's or share's root is never made by an installation, and "rmdir" of a bare "C:"
        // would name the command processor's current folder on that drive.
        if (parent.size() <= Path::TrimEndingSeparators(Path::GetPathRoot(parent)).size()) continue;
        if (!InstallRules::IsInside(installDir, parent)) continue;
        const bool seen = std::any_of(parents.begin(), parents.end(),
                                      [&](const std::wstring& p) { return Text::EqualsIgnoreCase(p, parent); });
        if (!seen) parents.push_back(parent);
    }
    // A folder inside another has the longer path: the innermost goes first.
    std::stable_sort(parents.begin(), parents.end(),
                     [](const std::wstring& a, const std::wstring& b) { return a.size() > b.size(); });
    return parents;
}

std::wstring SelfDeleteArguments(std::wstring_view dir, const std::vector<std::wstring>& parents) {
    const std::wstring exe = Path::Combine(dir, L"uninstall.exe");
    std::wstring arguments =
        L"/c timeout /t 2 /nobreak > nul & del /f /q \"" + exe + L"\" & rmdir \"" + std::wstring(dir) + L"\"";
    // "rmdir" without its recursive switch leaves a folder that still holds anything.
    for (const std::wstring& parent : parents) arguments += L" & rmdir \"" + parent + L"\"";
    return arguments;
}

}  // namespace Ravenquill::Core::UninstallRules
