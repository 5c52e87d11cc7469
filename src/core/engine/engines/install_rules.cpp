#include "install_rules.h"

#include <algorithm>
#include <cmath>

#include "core/common/number_format.h"
#include "core/common/path.h"
#include "core/common/text.h"

namespace Ravenquill::Core::InstallRules {
namespace {

std::wstring NormalisedPrefix(std::wstring_view prefix) {
    std::wstring text(prefix);
    std::replace(text.begin(), text.end(), L'/', L'\\');
    while (!text.empty() && text.back() == L'\\') text.pop_back();
    return text;
}

std::wstring_view WithoutTrailingSeparators(std::wstring_view path) noexcept {
    while (!path.empty() && Path::IsSeparator(path.back())) path.remove_suffix(1);
    return path;
}

}  // namespace

bool IsSameOrUnder(std::wstring_view path, std::wstring_view prefix) noexcept {
    const std::wstring owner = NormalisedPrefix(prefix);
    if (owner.empty()) return false;
    if (Text::EqualsIgnoreCase(path, owner)) return true;
    return path.size() > owner.size() && path[owner.size()] == L'\\' && Text::StartsWithIgnoreCase(path, owner);
}

bool OwnsFiles(const ComponentDefinition& component) noexcept {
    return component.PathPrefix && !Text::IsNullOrWhiteSpace(*component.PathPrefix);
}

std::optional<std::size_t> OwnerOf(std::wstring_view path,
                                   const std::vector<ComponentDefinition>& components) noexcept {
    for (std::size_t i = 0; i < components.size(); ++i)
        if (OwnsFiles(components[i]) && IsSameOrUnder(path, *components[i].PathPrefix)) return i;
    return std::nullopt;
}

bool IsInside(std::wstring_view fullPath, std::wstring_view directory) noexcept {
    const std::wstring_view base = WithoutTrailingSeparators(directory);
    if (base.empty() || fullPath.size() <= base.size() + 1) return false;
    return Path::IsSeparator(fullPath[base.size()]) && Text::StartsWithIgnoreCase(fullPath, base);
}

std::optional<std::wstring> RelativeInside(std::wstring_view fullPath, std::wstring_view directory) {
    if (!IsInside(fullPath, directory)) return std::nullopt;
    std::wstring rest(WithoutTrailingSeparators(fullPath.substr(WithoutTrailingSeparators(directory).size() + 1)));
    std::replace(rest.begin(), rest.end(), L'/', L'\\');
    if (rest.empty()) return std::nullopt;
    return rest;
}

bool IsSafeRelativePath(std::wstring_view relative) noexcept {
    if (Text::IsNullOrWhiteSpace(relative) || Path::IsPathRooted(relative)) return false;
    if (relative.find(L':') != std::wstring_view::npos) return false;
    std::size_t start = 0;
    while (start <= relative.size()) {
        std::size_t end = start;
        while (end < relative.size() && !Path::IsSeparator(relative[end])) ++end;
        const std::wstring_view step = relative.substr(start, end - start);
        if (step.empty() || step == L"." || step == L"..") return false;
        start = end + 1;
    }
    return true;
}

std::vector<std::wstring> RemovalOrder(std::vector<std::wstring> directories) {
    std::stable_sort(directories.begin(), directories.end(),
                     [](const std::wstring& a, const std::wstring& b) { return a.size() > b.size(); });
    return directories;
}

std::wstring FormatSize(std::int64_t bytes) {
    const NumberFormat& format = CurrentNumberFormat();
    if (bytes < 1024) return FormatDecimals(static_cast<double>(bytes), 0, format) + L" Б";
    constexpr std::int64_t Kib = 1024;
    constexpr std::int64_t Mib = Kib * 1024;
    constexpr std::int64_t Gib = Mib * 1024;
    double quotient = 0;
    const wchar_t* unit = L"";
    if (bytes < Mib) {
        quotient = static_cast<double>(bytes) / Kib, unit = L" КБ";
    } else if (bytes < Gib) {
        quotient = static_cast<double>(bytes) / Mib, unit = L" МБ";
    } else {
        quotient = static_cast<double>(bytes) / Gib, unit = L" ГБ";
    }
    // printf rounds ties to even on the binary value; sizes round half away from zero.
    const double rounded = std::round(quotient * 100.0) / 100.0;
    return FormatDecimals(rounded, 2, format) + unit;
}

std::wstring FormatSeconds(double seconds) {
    const double tenths = std::round(seconds * 10.0);
    const auto whole = static_cast<long long>(std::trunc(std::abs(tenths) / 10.0));
    const auto fraction = static_cast<long long>(std::abs(tenths)) % 10;
    const NumberFormat& format = CurrentNumberFormat();
    std::wstring text = tenths < 0 ? format.NegativeSign : std::wstring();
    return text + std::to_wstring(whole) + format.DecimalSeparator + std::to_wstring(fraction);
}

bool IsPlainFolderName(std::wstring_view name) noexcept {
    if (Text::IsNullOrWhiteSpace(name) || name == L"." || name == L"..") return false;
    return std::none_of(name.begin(), name.end(), [](wchar_t c) { return Path::IsSeparator(c) || c == L':'; });
}

namespace {

bool IsRefusedInFileName(wchar_t c) noexcept {
    return c < 0x20 || std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos;
}

}  // namespace

bool IsSingleFileName(std::wstring_view name) noexcept {
    if (name.empty() || name == L"." || name == L"..") return false;
    if (name.back() == L'.' || name.back() == L' ') return false;
    return std::none_of(name.begin(), name.end(), IsRefusedInFileName);
}

bool IsUsableProductId(std::wstring_view id) noexcept {
    return id.size() <= MaxProductIdLength && IsSingleFileName(id);
}

std::wstring ToFileNamePart(std::wstring_view text) {
    std::wstring part(text);
    std::replace_if(part.begin(), part.end(), IsRefusedInFileName, L'_');
    return part;
}

std::wstring AsideName(std::wstring_view name, std::wstring_view suffix) {
    std::size_t keep = std::min(name.size(), MaxNameLength - std::min(suffix.size(), MaxNameLength));
    // A high surrogate left alone at the end would make a name no strict reader takes back.
    if (keep > 0 && keep < name.size() && name[keep - 1] >= 0xD800 && name[keep - 1] <= 0xDBFF) --keep;
    return std::wstring(name.substr(0, keep)) + std::wstring(suffix);
}

}  // namespace Ravenquill::Core::InstallRules
