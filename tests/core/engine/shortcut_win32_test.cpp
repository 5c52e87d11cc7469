// Real links written into a temporary folder of the test prefix, then loaded back through the
// shell's link object and checked.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/common/errors.h"
#include "core/engine/platform/shortcut.h"
#include "core/engine/support/shell_link_reader_win32.h"
#include "support/temp_folder.h"

namespace Ravenquill::Core {
namespace {

class ShortcutWin32Test : public testing::Test {
protected:
    void SetUp() override {
        root_.Write("App Folder/app.exe", "MZ");
        root_.Write("App Folder/app.ico", "icon");
        target_ = root_.Path("App Folder/app.exe");
        icon_ = root_.Path("App Folder/app.ico");
    }

    std::wstring In(const std::wstring& relative) const { return (root_.Get() / relative).wstring(); }

    Ravenquill::Testing::TempFolder root_;
    std::wstring target_;
    std::wstring icon_;
};

TEST_F(ShortcutWin32Test, LinkReadBackHasEverythingThatWasSet) {
    const std::wstring lnk = In(L"Программы\\Ravenquill Test\\Пример.lnk");
    Shortcut::Create(lnk, target_, std::wstring(L"C:\\Work Dir"), std::wstring(L"Описание программы"), icon_,
                     std::wstring(L"--flag \"quoted arg\""));
    const Testing::ShellLinkContents link = Testing::ReadShellLink(lnk);
    EXPECT_TRUE(_wcsicmp(link.Target.c_str(), target_.c_str()) == 0) << link.Target;
    EXPECT_EQ(link.Arguments, L"--flag \"quoted arg\"");
    EXPECT_EQ(link.WorkingDirectory, L"C:\\Work Dir");
    EXPECT_EQ(link.Description, L"Описание программы");
    EXPECT_TRUE(_wcsicmp(link.IconPath.c_str(), icon_.c_str()) == 0) << link.IconPath;
    EXPECT_EQ(link.IconIndex, 0);
}

TEST_F(ShortcutWin32Test, DefaultsLeaveTheLinkPlain) {
    const std::wstring lnk = In(L"plain.lnk");
    Shortcut::Create(lnk, target_, std::nullopt, std::wstring(), In(L"no-such.ico"), std::wstring());
    const Testing::ShellLinkContents link = Testing::ReadShellLink(lnk);
    EXPECT_TRUE(_wcsicmp(link.WorkingDirectory.c_str(), (root_.Get() / L"App Folder").wstring().c_str()) == 0)
        << link.WorkingDirectory;
    EXPECT_EQ(link.Arguments, L"");
    EXPECT_EQ(link.Description, L"");
    EXPECT_EQ(link.IconPath, L"");
}

TEST_F(ShortcutWin32Test, LongDescriptionIsStoredCutAndAnExistingLinkIsReplaced) {
    const std::wstring lnk = In(L"replaced.lnk");
    Shortcut::Create(lnk, target_, std::nullopt, std::wstring(L"first"), std::nullopt, std::wstring(L"--first"));
    Shortcut::Create(lnk, target_, std::nullopt, std::wstring(251, L'd'));
    const Testing::ShellLinkContents link = Testing::ReadShellLink(lnk);
    EXPECT_EQ(link.Description, std::wstring(250, L'd'));
    EXPECT_EQ(link.Arguments, L"");
}

TEST_F(ShortcutWin32Test, AFailedSaveReportsTheCodeAndWritesNoFile) {
    // A folder stands where the link file should go: the save is refused.
    const std::wstring lnk = In(L"taken.lnk");
    std::filesystem::create_directories(lnk);
    try {
        Shortcut::Create(lnk, target_);
        FAIL() << "no failure";
    } catch (const InvalidOperationException& e) {
        EXPECT_EQ(e.Message().rfind(L"Ошибка при создании ярлыка: 0x8", 0), 0u) << e.Message();
        EXPECT_EQ(e.Message().size(), std::wstring(L"Ошибка при создании ярлыка: 0x").size() + 8);
    }
    EXPECT_TRUE(std::filesystem::is_directory(lnk));
}

TEST_F(ShortcutWin32Test, AFolderThatCannotBeMadeIsTheFileSystemsError) {
    // A file stands where the link's folder should go.
    std::ofstream(std::filesystem::path(In(L"blocker"))) << "x";
    EXPECT_THROW(Shortcut::Create(In(L"blocker\\sub\\x.lnk"), target_), IOException);
}

}  // namespace
}  // namespace Ravenquill::Core
