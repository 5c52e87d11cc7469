#include "core/engine/engines/uninstall_rules.h"

#include <gtest/gtest.h>

#include "core/common/path.h"
#include "core/common/text.h"
#include "core/engine/engines/uninstall_engine.h"

namespace Ravenquill::Core {
namespace {

constexpr bool Windows = Path::Separator == L'\\';

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
    EXPECT_EQ(UninstallEngine::SelfDeleteArguments(dir),
              L"/c timeout /t 2 /nobreak > nul & del /f /q \"" + exe + L"\" & rmdir \"" + dir + L"\"");
}

}  // namespace
}  // namespace Ravenquill::Core
