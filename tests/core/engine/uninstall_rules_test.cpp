#include "core/engine/engines/uninstall_rules.h"

#include <gtest/gtest.h>

#include "core/common/path.h"
#include "core/common/text.h"

namespace Ravenquill::Core {
namespace {

constexpr bool Windows = Path::Separator == L'\\';

// A path written for Windows as this build spells it: natively "C:\Apps\X" is "/Apps/X".
std::wstring Here(std::wstring path) {
    if (Windows) return path;
    if (path.starts_with(L"C:")) path.erase(0, 2);
    for (wchar_t& c : path)
        if (c == L'\\') c = L'/';
    return path;
}

TEST(UninstallRulesTest, FullyQualifiedPathsDependOnNoCurrentDirectoryOrDrive) {
    struct Case {
        const wchar_t* path;
        bool windows;
        bool native;
    };
    const Case cases[] = {
        {L"C:\\Apps\\X", true, false}, {L"c:/Apps", true, false}, {L"\\\\server\\share\\X", true, false},
        {L"C:", false, false},         {L"C:Apps", false, false}, {L"\\Apps", false, false},
        {L"Apps\\X", false, false},    {L"..\\X", false, false},  {L"", false, false},
        {L"/opt/x", false, true},      {L"1:\\x", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UninstallRules::IsFullyQualified(c.path), Windows ? c.windows : c.native) << Text::ToUtf8(c.path);
    }
}

TEST(UninstallRulesTest, ShortcutPathsAreFullAndEndInLnk) {
    const std::wstring root = Windows ? L"C:\\Links\\" : L"/links/";
    EXPECT_TRUE(UninstallRules::IsShortcutPath(root + L"App.lnk"));
    EXPECT_TRUE(UninstallRules::IsShortcutPath(root + L"App.LnK"));
    EXPECT_FALSE(UninstallRules::IsShortcutPath(root + L"App.exe"));
    EXPECT_FALSE(UninstallRules::IsShortcutPath(root + L"App.lnk.txt"));
    EXPECT_FALSE(UninstallRules::IsShortcutPath(L"App.lnk"));
}

TEST(UninstallRulesTest, CandidatesKeepOrderAndDropLaterDuplicatesIgnoringCase) {
    struct Case {
        std::optional<std::wstring> explicitDir;
        std::wstring executableDir;
        std::optional<std::wstring> registered;
        std::vector<std::wstring> expected;
    };
    const Case cases[] = {
        {L"D:\\Apps\\X", L"C:\\Apps\\X\\", L"E:\\X", {L"D:\\Apps\\X", L"C:\\Apps\\X", L"E:\\X"}},
        {L"c:\\apps\\x", L"C:\\Apps\\X\\\\", L"C:\\APPS\\X", {L"c:\\apps\\x"}},
        {L"   ", L"C:\\Apps\\X", std::nullopt, {L"C:\\Apps\\X"}},
        {std::nullopt, L"", L"E:\\X", {L"E:\\X"}},
        {std::nullopt, L"C:\\Apps\\X", L"c:\\apps\\x", {L"C:\\Apps\\X"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UninstallRules::InstallationCandidates(c.explicitDir, c.executableDir, c.registered), c.expected);
    }
}

TEST(UninstallRulesTest, SelfDeleteCommandWaitsDeletesTheUninstallerAndRemovesTheFolder) {
    const std::wstring dir = Windows ? L"C:\\Program Files\\Fake App" : L"/opt/Fake App";
    const std::wstring exe = Path::Combine(dir, L"uninstall.exe");
    EXPECT_EQ(UninstallRules::SelfDeleteArguments(dir),
              L"/c timeout /t 2 /nobreak > nul & del /f /q \"" + exe + L"\" & rmdir \"" + dir + L"\"");
    const std::vector<std::wstring> parents = {Here(L"C:\\Program Files\\Vendor\\Suite"),
                                               Here(L"C:\\Program Files\\Vendor")};
    EXPECT_EQ(UninstallRules::SelfDeleteArguments(dir, parents),
              L"/c timeout /t 2 /nobreak > nul & del /f /q \"" + exe + L"\" & rmdir \"" + dir + L"\" & rmdir \"" +
                  parents[0] + L"\" & rmdir \"" + parents[1] + L"\"");
}

// A record is a file anyone may edit: only folders that contain the install directory are ever
// removed after it, innermost first.
TEST(UninstallRulesTest, OnlyRecordedFoldersAboveTheInstallDirectoryAreRemovedAfterIt) {
    const std::wstring installDir = Here(L"C:\\Apps\\Vendor\\App");
    struct Case {
        std::vector<std::wstring> recorded;
        std::vector<std::wstring> expected;
    };
    const Case cases[] = {
        {{L"C:\\Apps", L"C:\\Apps\\Vendor"}, {L"C:\\Apps\\Vendor", L"C:\\Apps"}},
        {{L"C:\\Apps\\Vendor\\", L"c:\\apps\\vendor"}, {L"C:\\Apps\\Vendor"}},
        // The directory itself, a folder inside it, a sibling whose name begins alike, another
        // folder, a relative one and the drive's root.
        {{L"C:\\Apps\\Vendor\\App", L"C:\\Apps\\Vendor\\App\\bin", L"C:\\Apps\\Vend", L"C:\\Other", L"Apps", L"C:\\"},
         {}},
        {{}, {}},
    };
    for (const Case& c : cases) {
        std::vector<std::wstring> recorded;
        for (const std::wstring& folder : c.recorded) recorded.push_back(Here(folder));
        std::vector<std::wstring> expected;
        for (const std::wstring& folder : c.expected) expected.push_back(Here(folder));
        EXPECT_EQ(UninstallRules::ParentsToRemove(installDir, recorded), expected)
            << (recorded.empty() ? std::string() : Text::ToUtf8(recorded[0]));
    }
}

}  // namespace
}  // namespace Ravenquill::Core
