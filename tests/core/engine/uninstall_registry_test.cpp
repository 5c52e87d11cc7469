#include "core/engine/platform/uninstall_registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/common/errors.h"
#include "core/common/number_format.h"

namespace Ravenquill::Core::UninstallRegistry {
namespace {

InstallRecord SampleRecord(std::wstring version) {
    InstallRecord record;
    record.ProductName = L"Образец";
    record.ProductId = L"RqSample";
    record.Version = std::move(version);
    record.Publisher = L"Sample Works";
    record.InstallDir = L"C:\\Program Files\\Образец";
    return record;
}

std::vector<std::wstring> Names(const std::vector<RegistryValue>& values) {
    std::vector<std::wstring> names;
    for (const RegistryValue& value : values) names.push_back(value.Name);
    return names;
}

TEST(UninstallRegistryTest, EntryValuesAreTheFullListInOrder) {
    const std::wstring uninstaller = L"C:\\Program Files\\Образец\\uninstall.exe";
    const std::vector<RegistryValue> expected{
        {L"DisplayName", std::wstring(L"Образец")},
        {L"DisplayVersion", std::wstring(L"2.5.1")},
        {L"Publisher", std::wstring(L"Sample Works")},
        {L"InstallLocation", std::wstring(L"C:\\Program Files\\Образец")},
        {L"UninstallString", std::wstring(L"\"C:\\Program Files\\Образец\\uninstall.exe\" --uninstall")},
        {L"QuietUninstallString", std::wstring(L"\"C:\\Program Files\\Образец\\uninstall.exe\" --uninstall --silent")},
        {L"DisplayIcon", std::wstring(L"C:\\Program Files\\Образец\\app.exe")},
        {L"InstallDate", std::wstring(L"20240305")},
        {L"EstimatedSize", std::uint32_t{1024}},
        {L"NoModify", std::uint32_t{1}},
        {L"NoRepair", std::uint32_t{1}},
        {L"URLInfoAbout", std::wstring(L"https://example.invalid/")},
        {L"VersionMajor", std::uint32_t{2}},
        {L"VersionMinor", std::uint32_t{5}},
    };
    EXPECT_EQ(EntryValues(SampleRecord(L"2.5.1"), uninstaller, 1048576, L"C:\\Program Files\\Образец\\app.exe",
                          L"https://example.invalid/", L"20240305"),
              expected);
}

TEST(UninstallRegistryTest, IconFallsBackToTheUninstallerAndABlankWebsiteWritesNoLink) {
    const struct {
        std::optional<std::wstring> icon;
        std::optional<std::wstring> website;
        std::wstring expectedIcon;
    } cases[] = {
        {std::nullopt, std::nullopt, L"U:\\uninstall.exe"},
        {L"", L"", L"U:\\uninstall.exe"},
        {L"U:\\app.exe", L" \t ", L"U:\\app.exe"},
    };
    for (const auto& c : cases) {
        const std::vector<RegistryValue> values =
            EntryValues(SampleRecord(L"1.0"), L"U:\\uninstall.exe", 0, c.icon, c.website, L"20240101");
        EXPECT_EQ(values[6], (RegistryValue{L"DisplayIcon", c.expectedIcon}));
        const std::vector<std::wstring> names = Names(values);
        EXPECT_EQ(std::count(names.begin(), names.end(), L"URLInfoAbout"), 0) << c.expectedIcon;
    }
}

TEST(UninstallRegistryTest, EstimatedSizeIsWholeKibibytesAndAtLeastOne) {
    const struct {
        std::int64_t bytes;
        std::uint32_t expected;
    } cases[] = {
        {0, 1},
        {2047, 1},
        {2048, 2},
        {1048576, 1024},
        {-5, 1},
        // The quotient is cut to 32 bits: 2^42 + 3 KiB keeps only the low 3.
        {((std::int64_t{1} << 42) + 3) * 1024, 3},
    };
    for (const auto& c : cases) EXPECT_EQ(EstimatedSizeKib(c.bytes), c.expected) << c.bytes;
}

TEST(UninstallRegistryTest, VersionPartsParseAsSigned32BitIntegers) {
    const struct {
        std::wstring part;
        std::optional<std::uint32_t> expected;
    } cases[] = {
        {L"0", 0u},
        {L"  12\t", 12u},
        {L"+7", 7u},
        {L"-1", 0xFFFFFFFFu},
        {L"2147483647", 2147483647u},
        {L"-2147483648", 0x80000000u},
        {L"2147483648", std::nullopt},
        {L"99999999999", std::nullopt},
        {L"", std::nullopt},
        {L" ", std::nullopt},
        {L"-", std::nullopt},
        {L"1a", std::nullopt},
        {L"1 2", std::nullopt},
        {L"--1", std::nullopt},
        {L"1-beta", std::nullopt},
        {L"\x0661", std::nullopt},  // a digit of another script is no decimal digit here
    };
    for (const auto& c : cases) EXPECT_EQ(ParseVersionPart(c.part), c.expected) << c.part;
}

TEST(UninstallRegistryTest, VersionNumbersFollowTheUsersNegativeSign) {
    ScopedNumberFormat format(NumberFormat{L",", L"\x2212"});
    EXPECT_EQ(ParseVersionPart(L"\x2212"
                               L"3"),
              0xFFFFFFFDu);
    EXPECT_EQ(ParseVersionPart(L"-3"), std::nullopt);
}

TEST(UninstallRegistryTest, MajorAndMinorAreDecidedPartByPart) {
    const struct {
        std::wstring version;
        std::optional<std::uint32_t> major;
        std::optional<std::uint32_t> minor;
    } cases[] = {
        {L"1.0.0", 1u, 0u},
        {L"7", 7u, std::nullopt},
        {L"", std::nullopt, std::nullopt},
        {L"beta.3", std::nullopt, 3u},
        {L"4..2", 4u, std::nullopt},
        {L".9", std::nullopt, 9u},
        {L"3.x.1", 3u, std::nullopt},
        {L" 10 . 20 ", 10u, 20u},
    };
    for (const auto& c : cases) {
        const std::vector<RegistryValue> values =
            EntryValues(SampleRecord(c.version), L"u.exe", 0, std::nullopt, std::nullopt, L"20240101");
        std::optional<std::uint32_t> major;
        std::optional<std::uint32_t> minor;
        for (const RegistryValue& value : values) {
            if (value.Name == L"VersionMajor") major = std::get<std::uint32_t>(value.Data);
            if (value.Name == L"VersionMinor") minor = std::get<std::uint32_t>(value.Data);
        }
        EXPECT_EQ(major, c.major) << c.version;
        EXPECT_EQ(minor, c.minor) << c.version;
        EXPECT_EQ(values.size(), 11u + (c.major ? 1 : 0) + (c.minor ? 1 : 0)) << c.version;
    }
}

TEST(UninstallRegistryTest, InstallDateIsEightDigitsYearFirst) {
    EXPECT_EQ(FormatInstallDate(2024, 3, 5), L"20240305");
    EXPECT_EQ(FormatInstallDate(1999, 12, 31), L"19991231");
    EXPECT_EQ(FormatInstallDate(987, 1, 1), L"09870101");
}

TEST(UninstallRegistryTest, EntryKeyIsTheProductsOwnAndNeverTheListKey) {
    EXPECT_EQ(EntryKeyPath(L"RqSample"), L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\RqSample");
    EXPECT_EQ(EntryKeyPath(L" {A1B2} "), L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ {A1B2} ");
    for (const std::wstring id : {L"", L"   ", L"\t\n", L"\\", L"..\\Other", L"Rq\\Sub", L"Rq\\"}) {
        EXPECT_THROW(EntryKeyPath(id), ArgumentException) << id;
    }
}

}  // namespace
}  // namespace Ravenquill::Core::UninstallRegistry
