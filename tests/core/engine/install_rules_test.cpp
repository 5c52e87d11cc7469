#include "core/engine/engines/install_rules.h"

#include <gtest/gtest.h>

#include "core/common/number_format.h"
#include "core/common/text.h"

namespace Ravenquill::Core {
namespace {

TEST(InstallRulesTest, ComponentMembershipIgnoresCaseAndSeparatorForm) {
    struct Case {
        const wchar_t* path;
        const wchar_t* prefix;
        bool owned;
    };
    const Case cases[] = {
        {L"BIN\\tool.exe", L"bin/", true},
        {L"bin", L"bin/", true},
        {L"binaries\\x", L"bin/", false},
        {L"bin\\sub\\x.dll", L"bin\\\\", true},
        {L"docs\\a.txt", L"bin", false},
        {L"anything", L"\\/", false},
        {L"\\x", L"\\", false},
        {L"Док\\файл.txt", L"док", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(InstallRules::IsSameOrUnder(c.path, c.prefix), c.owned) << c.path << L" " << c.prefix;
}

TEST(InstallRulesTest, TargetsMustLieStrictlyInsideTheInstallDirectory) {
    struct Case {
        const wchar_t* target;
        const wchar_t* directory;
        bool inside;
    };
    const Case cases[] = {
        {L"C:\\App\\x.dll", L"C:\\App", true},
        {L"c:\\app\\sub\\x.dll", L"C:\\App\\", true},
        {L"C:\\AppData\\x", L"C:\\App", false},
        {L"C:\\App", L"C:\\App", false},
        {L"C:\\App\\", L"C:\\App", false},
        {L"C:\\x.dll", L"C:\\App", false},
        {L"C:\\App\\x", L"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(InstallRules::IsInside(c.target, c.directory), c.inside) << c.target;
    EXPECT_EQ(InstallRules::RelativeInside(L"C:\\App\\a/b\\", L"C:\\App"), std::wstring(L"a\\b"));
    EXPECT_EQ(InstallRules::RelativeInside(L"C:\\Apps\\a", L"C:\\App"), std::nullopt);
}

TEST(InstallRulesTest, RecordPathsThatCouldLeaveTheInstallDirectoryAreUnsafe) {
    struct Case {
        const wchar_t* path;
        bool safe;
    };
    const Case cases[] = {
        {L"bin\\app.exe", true}, {L"app.exe", true}, {L"..\\x", false}, {L"a\\..\\..\\x", false},
        {L"C:\\x", false},       {L"\\x", false},    {L"C:x", false},   {L"", false},
        {L"  ", false},          {L"a\\\\b", false}, {L".\\a", false},  {L"a/../b", false},
    };
    for (const Case& c : cases) EXPECT_EQ(InstallRules::IsSafeRelativePath(c.path), c.safe) << c.path;
}

TEST(InstallRulesTest, RemovalOrderIsLongestFirstAndStableForEqualLengths) {
    const std::vector<std::wstring> order =
        InstallRules::RemovalOrder({L"a", L"a\\b", L"cc", L"a\\b\\c", L"dd", L"xyz"});
    const std::vector<std::wstring> expected{L"a\\b\\c", L"a\\b", L"xyz", L"cc", L"dd", L"a"};
    EXPECT_EQ(order, expected);
}

TEST(InstallRulesTest, SizesUseTheUserDecimalSeparatorAndRoundTiesAwayFromZero) {
    ScopedNumberFormat comma(NumberFormat{L",", L"-"});
    struct Case {
        std::int64_t bytes;
        const wchar_t* text;
    };
    const Case cases[] = {
        {0, L"0 Б"},
        {-5, L"-5 Б"},
        {1023, L"1023 Б"},
        {1024, L"1 КБ"},
        {1152, L"1,13 КБ"},
        {1536, L"1,5 КБ"},
        {1048575, L"1024 КБ"},
        {1048576, L"1 МБ"},
        {5000000000, L"4,66 ГБ"},
        {1099511627776, L"1024 ГБ"},
    };
    for (const Case& c : cases) EXPECT_EQ(InstallRules::FormatSize(c.bytes), c.text) << c.bytes;
}

TEST(InstallRulesTest, DurationsHaveExactlyOneDecimal) {
    ScopedNumberFormat comma(NumberFormat{L",", L"-"});
    EXPECT_EQ(InstallRules::FormatSeconds(0.04), L"0,0");
    EXPECT_EQ(InstallRules::FormatSeconds(0.05), L"0,1");
    EXPECT_EQ(InstallRules::FormatSeconds(1.25), L"1,3");
    EXPECT_EQ(InstallRules::FormatSeconds(12.0), L"12,0");
}

TEST(InstallRulesTest, OnlyPlainNamesServeAsOneFolderName) {
    for (const wchar_t* name : {L"Product", L"Моя программа", L"a.b"})
        EXPECT_TRUE(InstallRules::IsPlainFolderName(name)) << name;
    for (const wchar_t* name : {L"", L"  ", L".", L"..", L"a\\b", L"a/b", L"C:", L"\\abs"})
        EXPECT_FALSE(InstallRules::IsPlainFolderName(name)) << name;
}

TEST(InstallRulesTest, AProductIdMustBeOneFileNameAndItsNameForALogReplacesWhatIsNot) {
    struct Case {
        std::wstring id;
        bool single;
        std::wstring part;
    };
    const Case cases[] = {
        {L"RavenQuill", true, L"RavenQuill"},
        {L"Acme.Tool 2", true, L"Acme.Tool 2"},
        {L"Моя программа", true, L"Моя программа"},
        {L" leading", true, L" leading"},
        {L"a\\b", false, L"a_b"},
        {L"a/../../evil", false, L"a_.._.._evil"},
        {L"C:x", false, L"C_x"},
        {L"a*b", false, L"a_b"},
        {L"a?b", false, L"a_b"},
        {L"a\"b", false, L"a_b"},
        {L"a<b", false, L"a_b"},
        {L"a>b", false, L"a_b"},
        {L"a|b", false, L"a_b"},
        {L"a\tb", false, L"a_b"},
        {L"a\x01"
         L"b",
         false, L"a_b"},
        {L"a\x1F"
         L"b",
         false, L"a_b"},
        {L".", false, L"."},
        {L"..", false, L".."},
        {L"trailing.", false, L"trailing."},
        {L"trailing ", false, L"trailing "},
        {L"", false, L""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(InstallRules::IsSingleFileName(c.id), c.single) << Text::ToUtf8(c.id);
        EXPECT_EQ(InstallRules::ToFileNamePart(c.id), c.part) << Text::ToUtf8(c.id);
    }
}

TEST(InstallRulesTest, AProductIdIsUsableWhenItIsOneNameNoLongerThanTheLimit) {
    struct Case {
        std::wstring id;
        bool usable;
    };
    const std::vector<Case> cases = {
        {L"Tolvane", true},
        {std::wstring(InstallRules::MaxProductIdLength, L'a'), true},
        {std::wstring(InstallRules::MaxProductIdLength + 1, L'a'), false},
        {std::wstring(300, L'a'), false},
        {L"a/../b", false},
        {L"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(InstallRules::IsUsableProductId(c.id), c.usable) << c.id.size();
}

TEST(InstallRulesTest, AsideNamesNeverPassTheLengthOfOneName) {
    const std::wstring suffix = L".rq-aside-0123456789ab-7";
    struct Case {
        std::wstring name;
        std::wstring expected;
    };
    const std::wstring pair = L"\xD83D\xDE00";  // one character outside the basic plane
    const std::wstring room(255 - suffix.size(), L'x');
    const Case cases[] = {
        {L"app.exe", L"app.exe" + suffix},
        {room, room + suffix},
        {room + L"yz", room + suffix},
        {std::wstring(255, L'n'), std::wstring(room.size(), L'n') + suffix},
        // Never half a pair: the high half would be cut from its low half.
        {room.substr(1) + pair, room.substr(1) + suffix},
        {room.substr(2) + pair, room.substr(2) + pair + suffix},
        {L"", suffix},
    };
    for (const Case& c : cases) {
        const std::wstring aside = InstallRules::AsideName(c.name, suffix);
        EXPECT_EQ(aside, c.expected) << c.name.size();
        EXPECT_LE(aside.size(), InstallRules::MaxNameLength) << c.name.size();
    }
}

}  // namespace
}  // namespace Ravenquill::Core
