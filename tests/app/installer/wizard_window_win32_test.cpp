// The installer's window as a user meets it: the built installer with its embedded package runs
// in the wizard mode under the virtual display, and a test drives its window from outside with
// mouse and key messages at the pages' own coordinates (at 96 DPI one logical pixel is one device
// pixel): the content area is (328, 64)–(876, 524), its last 36 px are the footer band, and the
// primary button (or the progress page's "Отмена") is right-aligned in it.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/installer/installer_process_win32.h"
#include "app/installer/window_driver_win32.h"
#include "core/engine/install_test_support.h"

namespace Ravenquill::Core::Testing {
namespace {

// Inside every primary button, whatever its label's width (at least 132 px wide).
constexpr int PrimaryX = 876 - 40;
constexpr int FooterY = 524 - 18;
// The middle of the caption's close button.
constexpr int CloseX = 893;
constexpr int CloseY = 42;

fs::path EmbeddedProgram() { return FromEnvironment("RQ_INSTALLER_EMBEDDED"); }

bool WaitFor(const std::function<bool()>& condition, std::chrono::seconds wait = std::chrono::seconds(30)) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

// A setup folder with the embedded installer of the test payload's product, and what that product
// may leave on the machine taken away before and after.
class WizardWindowTest : public testing::Test {
protected:
    WizardWindowTest() : sandbox_(TestName()) {
        InstallManifest& manifest = sandbox_.Manifest();
        manifest.ProductId = L"RQInstallerTest";
        manifest.ProductName = L"RQ Installer Test";
        manifest.StartMenuFolder = L"RQ Installer Test";
    }
    void SetUp() override {
        Forget();
        fs::create_directories(sandbox_.Target().parent_path());
        fs::copy_file(EmbeddedProgram(), Setup(), fs::copy_options::overwrite_existing);
    }
    void TearDown() override {
        if (fs::exists(Target() / "uninstall.exe")) {
            const Finished removed = RunProgram(Target() / "uninstall.exe", {L"--uninstall", L"--silent"});
            EXPECT_EQ(removed.ExitCode, 0u) << removed.Err;
        }
        Forget();
    }

    fs::path Setup() const { return sandbox_.Setup() / "setup.exe"; }
    fs::path Target() const { return sandbox_.Target(); }
    std::vector<std::wstring> Arguments() const { return {L"--dir=" + Target().wstring()}; }

    void Forget() const {
        std::error_code ignored;
        fs::remove(fs::temp_directory_path() / L"Ravenquill-RQInstallerTest.log", ignored);
        fs::remove(sandbox_.DesktopLink(), ignored);
        fs::remove_all(sandbox_.StartMenuFolder(), ignored);
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\RQInstallerTest");
    }

    InstallSandbox sandbox_;
};

TEST_F(WizardWindowTest, TheWindowIsTheBorderlessCentredShellWindowAndItsCloseButtonEndsWithZero) {
    const MachineState before = sandbox_.Snapshot();
    LiveInstaller installer(Setup(), Arguments());
    const HWND window = installer.FindWindow();
    ASSERT_NE(window, nullptr) << "no window of class RavenquillShell";
    EXPECT_EQ(installer.Title(), L"Установка RQ Installer Test");
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    const LONG extended = GetWindowLongW(window, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & WS_CAPTION) << "the window draws its own caption";
    EXPECT_TRUE(extended & WS_EX_LAYERED);
    RECT rect{};
    ASSERT_TRUE(GetWindowRect(window, &rect));
    EXPECT_EQ(rect.right - rect.left, 940);
    EXPECT_EQ(rect.bottom - rect.top, 580);
    EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - 940) / 2);
    EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - 580) / 2);

    installer.MoveTo(CloseX, CloseY);
    installer.Click(CloseX, CloseY);
    EXPECT_EQ(installer.WaitForExit(), std::optional<DWORD>(0));
    EXPECT_EQ(sandbox_.Snapshot(), before) << "closing on the welcome page installs nothing";
}

TEST_F(WizardWindowTest, ADefaultInstallationFromTheWelcomePage) {
    LiveInstaller installer(Setup(), Arguments());
    ASSERT_NE(installer.FindWindow(), nullptr);
    installer.Click(PrimaryX, FooterY);  // "Установить"

    const fs::path record = Target() / ".ravenquill" / "record.json";
    ASSERT_TRUE(WaitFor([&] { return fs::exists(record) && sandbox_.Snapshot().Entry.has_value(); }))
        << "the installation did not finish";
    // The progress page's "Отмена" lies where "Готово" will be: the finish page comes first.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    installer.Click(PrimaryX, FooterY);  // "Готово"
    EXPECT_EQ(installer.WaitForExit(std::chrono::seconds(15)), std::optional<DWORD>(0));

    EXPECT_EQ(ReadText(Target() / "app" / "core.txt"),
              ReadText(FromEnvironment("RQ_TEST_DATA") / "app" / "payload" / "app" / "core.txt"));
    EXPECT_TRUE(fs::exists(Target() / "docs" / "guide.txt"));
    EXPECT_FALSE(fs::exists(Target() / "extras")) << "not selected by default";
    EXPECT_TRUE(fs::exists(Target() / "uninstall.exe"));
    const MachineState state = sandbox_.Snapshot();
    EXPECT_TRUE(state.Entry.has_value());
    EXPECT_TRUE(state.DesktopLink);
    EXPECT_TRUE(fs::exists(sandbox_.StartMenuFolder() / L"RQ Installer Test.lnk"));
}

TEST_F(WizardWindowTest, TheUninstallPageRemovesTheInstallation) {
    const Finished installed = RunProgram(Setup(), {L"/S", L"--dir=" + Target().wstring(), L"--per-user"});
    ASSERT_EQ(installed.ExitCode, 0u) << installed.Err;
    ASSERT_TRUE(fs::exists(Target() / "app" / "core.txt"));

    LiveInstaller installer(Setup(), {L"--uninstall"});
    ASSERT_NE(installer.FindWindow(), nullptr);
    installer.Click(PrimaryX, FooterY);  // "Удалить"
    ASSERT_TRUE(WaitFor([&] { return !sandbox_.Snapshot().Entry && !fs::exists(Target() / "app" / "core.txt"); }))
        << "the removal did not finish";
    std::this_thread::sleep_for(std::chrono::seconds(2));
    installer.Click(PrimaryX, FooterY);  // "Готово"
    EXPECT_EQ(installer.WaitForExit(std::chrono::seconds(15)), std::optional<DWORD>(0));
    EXPECT_FALSE(fs::exists(Target() / "docs" / "guide.txt"));
    EXPECT_FALSE(fs::exists(Target() / ".ravenquill" / "record.json"));
    EXPECT_FALSE(sandbox_.Snapshot().DesktopLink);
}

TEST_F(WizardWindowTest, ClosingRightAfterInstallEndsWithZeroAndLeavesNoHalfInstallation) {
    struct Case {
        const char* Name;
        void (*Close)(const LiveInstaller&);
    };
    const Case cases[] = {
        {"Escape", [](const LiveInstaller& installer) { installer.PressEscape(); }},
        {"WM_CLOSE", [](const LiveInstaller& installer) { installer.Close(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const MachineState before = sandbox_.Snapshot();
        LiveInstaller installer(Setup(), Arguments());
        ASSERT_NE(installer.FindWindow(), nullptr);
        // Straight after "Установить": the run has only begun when the window goes.
        installer.Click(PrimaryX, FooterY, false);
        c.Close(installer);
        EXPECT_EQ(installer.WaitForExit(), std::optional<DWORD>(0));
        // The test payload is small enough for a run to be done before the window has gone; either
        // way nothing half-installed stays behind.
        const MachineState after = sandbox_.Snapshot();
        if (after.Entry) {
            EXPECT_TRUE(fs::exists(Target() / ".ravenquill" / "record.json"));
            EXPECT_TRUE(fs::exists(Target() / "app" / "core.txt"));
            EXPECT_TRUE(fs::exists(Target() / "uninstall.exe"));
            const Finished removed = RunProgram(Target() / "uninstall.exe", {L"--uninstall", L"--silent"});
            EXPECT_EQ(removed.ExitCode, 0u) << removed.Err;
            ASSERT_TRUE(WaitFor([&] { return !fs::exists(Target()); }));
        } else {
            EXPECT_FALSE(fs::exists(Target())) << "no half-copied installation stays behind";
            EXPECT_EQ(after, before);
        }
    }
}

}  // namespace
}  // namespace Ravenquill::Core::Testing
