#include "core/engine/platform/uninstall_registry.h"

#include <limits>

#include "core/common/errors.h"
#include "core/common/number_format.h"
#include "core/common/text.h"

namespace Ravenquill::Core::UninstallRegistry {
namespace {

std::wstring InQuotes(std::wstring_view path) { return L"\"" + std::wstring(path) + L"\""; }

// The white space that the platform's integer parsing allows around a number.
bool IsNumberWhiteSpace(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

bool StartsWith(std::wstring_view text, std::wstring_view prefix) {
    return !prefix.empty() && text.substr(0, prefix.size()) == prefix;
}

}  // namespace

bool IsEntryName(std::wstring_view productId) {
    return !Text::IsNullOrWhiteSpace(productId) && productId.find(L'\\') == std::wstring_view::npos &&
           productId.size() <= MaxEntryNameLength;
}

std::wstring EntryKeyPath(std::wstring_view productId) {
    // A blank id would name the list key itself and a '\' would reach into another key: either
    // would let Write set values on, or Delete remove, the entries of other programs.
    if (Text::IsNullOrWhiteSpace(productId)) {
        throw ArgumentException(L"The product id of an uninstall entry must not be empty.");
    }
    if (productId.find(L'\\') != std::wstring_view::npos) {
        throw ArgumentException(L"The product id of an uninstall entry must not contain '\\': " +
                                std::wstring(productId));
    }
    // The registry would refuse it only once a key is opened, and in its own words.
    if (productId.size() > MaxEntryNameLength) {
        throw ArgumentException(L"The product id of an uninstall entry must not be longer than " +
                                std::to_wstring(MaxEntryNameLength) + L" characters.");
    }
    return std::wstring(ListKeyPath) + L"\\" + std::wstring(productId);
}

std::uint32_t EstimatedSizeKib(std::int64_t totalBytes) {
    const std::int64_t kib = totalBytes / 1024;
    // A negative total has no size worth showing; the floor of one kibibyte covers it too.
    if (kib < 1) return 1;
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(kib));
}

std::optional<std::uint32_t> ParseVersionPart(std::wstring_view part) {
    std::size_t begin = 0;
    std::size_t end = part.size();
    while (begin < end && IsNumberWhiteSpace(part[begin])) ++begin;
    while (end > begin && IsNumberWhiteSpace(part[end - 1])) --end;
    std::wstring_view text = part.substr(begin, end - begin);

    bool negative = false;
    const std::wstring& negativeSign = CurrentNumberFormat().NegativeSign;
    if (StartsWith(text, negativeSign)) {
        negative = true;
        text.remove_prefix(negativeSign.size());
    } else if (StartsWith(text, L"+")) {
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;

    // Accumulated as a magnitude up to 2^31, which only a negative number may reach.
    constexpr std::uint64_t limit = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()) + 1;
    std::uint64_t magnitude = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9') return std::nullopt;
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(c - L'0');
        if (magnitude > limit) return std::nullopt;
    }
    if (!negative && magnitude == limit) return std::nullopt;
    const std::uint32_t bits = static_cast<std::uint32_t>(magnitude);
    return negative ? static_cast<std::uint32_t>(0u - bits) : bits;
}

std::wstring FormatInstallDate(int year, int month, int day) {
    std::wstring text(8, L'0');
    const int fields[] = {year, month, day};
    const int widths[] = {4, 2, 2};
    std::size_t end = 0;
    for (int i = 0; i < 3; ++i) {
        end += static_cast<std::size_t>(widths[i]);
        int value = fields[i];
        for (int digit = 0; digit < widths[i]; ++digit) {
            text[end - 1 - static_cast<std::size_t>(digit)] = static_cast<wchar_t>(L'0' + value % 10);
            value /= 10;
        }
    }
    return text;
}

std::vector<RegistryValue> EntryValues(const InstallRecord& record, std::wstring_view uninstallerPath,
                                       std::int64_t totalBytes, const std::optional<std::wstring>& iconPath,
                                       const std::optional<std::wstring>& website, std::wstring_view installDate) {
    const std::wstring uninstaller(uninstallerPath);
    std::vector<RegistryValue> values{
        {L"DisplayName", record.ProductName},
        {L"DisplayVersion", record.Version},
        {L"Publisher", record.Publisher},
        {L"InstallLocation", record.InstallDir},
        {L"UninstallString", InQuotes(uninstaller) + L" --uninstall"},
        {L"QuietUninstallString", InQuotes(uninstaller) + L" --uninstall --silent"},
        {L"DisplayIcon", iconPath && !iconPath->empty() ? *iconPath : uninstaller},
        {L"InstallDate", std::wstring(installDate)},
        {L"EstimatedSize", EstimatedSizeKib(totalBytes)},
        {L"NoModify", std::uint32_t{1}},
        {L"NoRepair", std::uint32_t{1}},
    };
    if (website && !Text::IsNullOrWhiteSpace(*website)) values.push_back({L"URLInfoAbout", *website});

    // Split at every '.', empty parts kept: "1..2" has an empty second part, which does not parse.
    const std::vector<std::wstring> parts = Text::Split(record.Version, L'.');
    if (const auto major = ParseVersionPart(parts[0])) values.push_back({L"VersionMajor", *major});
    if (parts.size() > 1) {
        if (const auto minor = ParseVersionPart(parts[1])) values.push_back({L"VersionMinor", *minor});
    }
    return values;
}

}  // namespace Ravenquill::Core::UninstallRegistry
