// The installer's window as a user meets it: the built installer with its embedded package runs
// in the wizard mode under the virtual display, and a test drives its window from outside with
// mouse and key messages at the pages' own coordinates (at 96 DPI one logical pixel is one device
// pixel): the content area is (328, 64)–(876, 524), its last 36 px are the footer band, and the
// primary button (or the progress page's "Отмена") is right-aligned in it.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/installer/installed_product_win32.h"
#include "app/installer/installer_process_win32.h"
#include "app/installer/window_driver_win32.h"
#include "core/common/text.h"
#include "core/engine/install_test_support.h"
#include "core/engine/support/uninstall_timeout_support.h"
#include "ui/theme.h"

namespace Ravenquill::Core::Testing {
namespace {

// Inside every primary button, whatever its label's width (at least 132 px wide).
constexpr int PrimaryX = 876 - 40;
constexpr int FooterY = 524 - 18;
// The button left of a 132-px primary one ("Настроить").
constexpr int SecondaryX = 690;
// The middle of the caption's close and minimise buttons.
constexpr int CloseX = 893;
constexpr int CloseY = 42;
constexpr int MinimizeX = 847;
// On the options page: the per-user card and the documentation's component row, "Обзор…" and
// "Назад" (left of the 132-px "Установить", 12 px apart, 112 px wide).
constexpr int PerUserCardX = 457, ScopeCardY = 295;
constexpr int DocumentationRowX = 603, DocumentationRowY = 444;
constexpr int BrowseX = 820, BrowseY = 177;
constexpr int BackX = 876 - 132 - 12 - 56;
// Inside a result page's badge, clear of its glyph: the disc 68 px across at the content's left.
constexpr int BadgeColumnX = 328 + 12;

fs::path EmbeddedProgram() { return FromEnvironment("RQ_INSTALLER_EMBEDDED"); }
fs::path PlainProgram() { return FromEnvironment("RQ_INSTALLER_PLAIN"); }

// The dark palette with the default accent: what the wizard shows in a prefix without a
// light-mode setting, as 0xRRGGBB.
const Ui::Theme& Palette() {
    static const Ui::Theme theme = [] {
        Ui::Theme t = Ui::Theme::Dark();
        t.ApplyAccent(InstallManifest{}.EffectiveAccent());
        return t;
    }();
    return theme;
}
std::uint32_t Rgb(std::uint32_t argb) { return argb & 0xFFFFFF; }
std::uint32_t Accent() { return Rgb(Palette().Accent); }

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
        ForgetEntries();
    }

    // From the welcome page to the options page with a real click on "Настроить".
    static bool ToOptionsPage(const LiveInstaller& installer) {
        return installer.WaitForStep(1, Accent()) && installer.RealClick(SecondaryX, FooterY) &&
               installer.WaitForStep(3, Accent());
    }

    // The tests that look at the screen need the virtual display's framebuffer file.
    static bool SeesTheScreen() { return Screen::FramebufferPath().has_value(); }

    // The plain program with the test manifest and payload beside it, so a test can change the
    // payload.
    fs::path PlacePlainProgram() const {
        fs::copy_file(FromEnvironment("RQ_TEST_DATA") / "app" / "installer.json", sandbox_.Setup() / "installer.json",
                      fs::copy_options::overwrite_existing);
        fs::remove_all(sandbox_.Payload());
        fs::copy(FromEnvironment("RQ_TEST_DATA") / "app" / "payload", sandbox_.Payload(), fs::copy_options::recursive);
        const fs::path setup = sandbox_.Setup() / "plain-setup.exe";
        fs::copy_file(PlainProgram(), setup, fs::copy_options::overwrite_existing);
        return setup;
    }

    InstallSandbox sandbox_;
};

#define REQUIRE_SCREEN() \
    if (!SeesTheScreen()) GTEST_SKIP() << "needs the framebuffer file in RQ_FRAMEBUFFER (tools/test sets it)"

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

// Started as the system's list of programs and the Start menu's shortcut start it, the installed
// uninstaller's wizard removes the installation, and once its window has closed nothing is left:
// neither the running uninstaller with its folder nor the folder the installation made above it.
TEST_F(WizardWindowTest, TheWizardsRemovalLeavesNoFolderBehindOnceItsWindowHasClosed) {
    REQUIRE_SCREEN();
    ProvideTimeout();
    // The target's parent exists already; the target itself is made on the way to its "App".
    const fs::path installed = Target() / "App";
    const Finished done =
        RunProgram(Setup(), {L"/S", L"--dir=" + installed.wstring(), L"--per-user", L"--no-shortcuts"});
    ASSERT_EQ(done.ExitCode, 0u) << done.Err;

    LiveInstaller uninstaller(installed / "uninstall.exe", {L"--uninstall"});
    ASSERT_NE(uninstaller.FindWindow(), nullptr);
    ASSERT_TRUE(uninstaller.WaitForStep(1, Accent()));
    ASSERT_TRUE(uninstaller.RealClick(PrimaryX, FooterY));  // "Удалить"
    ASSERT_TRUE(uninstaller.WaitForBand(BadgeColumnX, Accent(), 40)) << "no result page of a removal";
    EXPECT_FALSE(fs::exists(installed / "app" / "core.txt"));
    EXPECT_FALSE(sandbox_.Snapshot().Entry);
    std::this_thread::sleep_for(std::chrono::seconds(3));
    EXPECT_TRUE(fs::exists(installed / "uninstall.exe")) << "nothing is deleted while the window is open";

    ASSERT_TRUE(uninstaller.RealClick(PrimaryX, FooterY));  // "Готово"
    EXPECT_EQ(uninstaller.WaitForExit(std::chrono::seconds(15)), std::optional<DWORD>(0));
    EXPECT_TRUE(WaitFor([&] { return !fs::exists(Target()); })) << "left behind: " << Target();
    EXPECT_TRUE(fs::exists(Target().parent_path())) << "a folder that was there before stays";
}

// A record that another program holds open is not a missing one: the wizard's removal ends before
// its window opens, with the reason in a message box and exit code 1, and nothing is removed.
TEST_F(WizardWindowTest, AHeldRecordEndsTheWizardsRemovalWithItsReasonAndRemovesNothing) {
    REQUIRE_SCREEN();
    const Finished done = RunProgram(Setup(), {L"/S", L"--dir=" + Target().wstring(), L"--per-user"});
    ASSERT_EQ(done.ExitCode, 0u) << done.Err;
    const MachineState before = sandbox_.Snapshot();
    {
        HeldFile held(Target() / ".ravenquill" / "record.json");
        ASSERT_TRUE(held.Held());
        LiveInstaller uninstaller(Target() / "uninstall.exe", {L"--uninstall"});
        const HWND box = uninstaller.FindMessageBox();
        ASSERT_NE(box, nullptr) << "no message box";
        const std::wstring text = LiveInstaller::MessageBoxText(box);
        EXPECT_TRUE(text.starts_with(L"Не удалось прочитать сведения об установке, поэтому ничего не удалено: "))
            << Text::ToUtf8(text);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(uninstaller.WaitForExit(std::chrono::seconds(15)), std::optional<DWORD>(1));
    }
    EXPECT_EQ(sandbox_.Snapshot(), before) << "nothing was removed";
}

// An id too long for the uninstall key leaves no lookup to fail before the window: the wizard
// opens, and the installation refuses the id when it starts.
TEST_F(WizardWindowTest, AProductIdTooLongForTheUninstallKeyStillOpensTheWizard) {
    const fs::path setup = PlacePlainProgram();
    std::string manifest = ReadText(sandbox_.Setup() / "installer.json");
    const std::string id = "\"productId\": \"RQInstallerTest\"";
    ASSERT_NE(manifest.find(id), std::string::npos);
    manifest.replace(manifest.find(id), id.size(), "\"productId\": \"" + std::string(300, 'q') + "\"");
    WriteText(sandbox_.Setup() / "installer.json", manifest);
    LiveInstaller installer(setup, Arguments());
    ASSERT_NE(installer.FindWindow(), nullptr) << "no wizard";
    installer.Close();
    EXPECT_EQ(installer.WaitForExit(), std::optional<DWORD>(0));
}

// A double click on a button whose page change puts another button under the pointer ("Отмена"
// of the progress page where "Установить" or "Удалить" was) clicks only the first. Gap 0 is one
// double click; the others are two clicks that far apart, still within the double-click time.
struct TwoClicks {
    const char* Name;
    std::chrono::milliseconds Gap;
};
constexpr TwoClicks DoubleClicks[] = {
    {"a double click", std::chrono::milliseconds(0)},
    {"two clicks 150 ms apart", std::chrono::milliseconds(150)},
    {"two clicks 300 ms apart", std::chrono::milliseconds(300)},
};

TEST_F(WizardWindowTest, ADoubleClickOnInstallInstallsFromTheWelcomeAndTheOptionsPage) {
    REQUIRE_SCREEN();
    struct Case {
        TwoClicks Clicks;
        bool FromOptions;
    };
    const Case cases[] = {
        {DoubleClicks[0], false},
        {DoubleClicks[1], false},
        {DoubleClicks[2], false},
        {DoubleClicks[0], true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Clicks.Name) + (c.FromOptions ? " on the options page" : " on the welcome page"));
        LiveInstaller installer(Setup(), Arguments());
        ASSERT_NE(installer.FindWindow(), nullptr);
        if (c.FromOptions)
            ASSERT_TRUE(ToOptionsPage(installer));
        else
            ASSERT_TRUE(installer.WaitForStep(1, Accent()));
        ASSERT_TRUE(installer.RealClicks(PrimaryX, FooterY, c.Clicks.Gap));  // "Установить"
        ASSERT_TRUE(installer.WaitForStep(5, Accent())) << "the result page";
        EXPECT_TRUE(fs::exists(Target() / ".ravenquill" / "record.json")) << "the installation was cancelled";
        EXPECT_TRUE(fs::exists(Target() / "app" / "core.txt"));
        EXPECT_TRUE(sandbox_.Snapshot().Entry.has_value());
        ASSERT_TRUE(installer.RealClick(PrimaryX, FooterY));  // "Готово"
        EXPECT_EQ(installer.WaitForExit(std::chrono::seconds(15)), std::optional<DWORD>(0));

        if (fs::exists(Target() / "uninstall.exe")) {
            const Finished removed = RunProgram(Target() / "uninstall.exe", {L"--uninstall", L"--silent"});
            EXPECT_EQ(removed.ExitCode, 0u) << removed.Err;
            EXPECT_TRUE(WaitFor([&] { return !fs::exists(Target()); }));
        }
    }
}

TEST_F(WizardWindowTest, ADoubleClickOnRemoveRemovesTheInstallation) {
    REQUIRE_SCREEN();
    const Finished installed = RunProgram(Setup(), {L"/S", L"--dir=" + Target().wstring(), L"--per-user"});
    ASSERT_EQ(installed.ExitCode, 0u) << installed.Err;
    LiveInstaller installer(Setup(), {L"--uninstall"});
    ASSERT_NE(installer.FindWindow(), nullptr);
    ASSERT_TRUE(installer.WaitForStep(1, Accent()));
    ASSERT_TRUE(installer.RealClicks(PrimaryX, FooterY, DoubleClicks[0].Gap));  // "Удалить"
    ASSERT_TRUE(WaitFor([&] { return !sandbox_.Snapshot().Entry; })) << "the removal was cancelled";
    // The last step: the result page of the removal, its badge in the accent colour (cancelled: warning).
    ASSERT_TRUE(installer.WaitForBand(BadgeColumnX, Accent(), 40)) << "not the removed page";
    EXPECT_FALSE(fs::exists(Target() / "app" / "core.txt"));
    EXPECT_FALSE(fs::exists(Target() / "docs" / "guide.txt"));
    EXPECT_FALSE(fs::exists(Target() / ".ravenquill" / "record.json"));
    ASSERT_TRUE(installer.RealClick(PrimaryX, FooterY));  // "Готово"
    EXPECT_EQ(installer.WaitForExit(std::chrono::seconds(15)), std::optional<DWORD>(0));
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

TEST_F(WizardWindowTest, TheSidebarAndTheStepRailAreOnScreen) {
    REQUIRE_SCREEN();
    LiveInstaller installer(Setup(), Arguments());
    ASSERT_NE(installer.FindWindow(), nullptr);
    EXPECT_TRUE(installer.WaitForStep(1, Accent())) << "the welcome page marks step 1";
    EXPECT_TRUE(Near(installer.Pixel(150, 420), Rgb(Palette().Sidebar)));
    EXPECT_TRUE(Near(installer.Pixel(600, 140), Rgb(Palette().Background)));
    EXPECT_TRUE(Near(installer.Pixel(64, 185 + 3), Rgb(Palette().Sidebar))) << "step 2 is not active";
    installer.Close();
    EXPECT_EQ(installer.WaitForExit(), std::optional<DWORD>(0));
}

TEST_F(WizardWindowTest, TheOptionsPageChoicesAreWhatIsInstalled) {
    REQUIRE_SCREEN();
    // Per machine from the command line; the options page switches to per user and leaves the
    // documentation out.
    LiveInstaller installer(Setup(), {L"--dir=" + Target().wstring(), L"--per-machine"});
    ASSERT_NE(installer.FindWindow(), nullptr);
    ASSERT_TRUE(installer.WaitForStep(1, Accent()));
    installer.Click(SecondaryX, FooterY);  // "Настроить"
    ASSERT_TRUE(installer.WaitForStep(3, Accent())) << "the options page";
    installer.Click(PerUserCardX, ScopeCardY);
    installer.Click(DocumentationRowX, DocumentationRowY);
    installer.Click(PrimaryX, FooterY);  // "Установить"
    ASSERT_TRUE(installer.WaitForStep(5, Accent())) << "the finish page";
    installer.Click(PrimaryX, FooterY);  // "Готово"
    EXPECT_EQ(installer.WaitForExit(std::chrono::seconds(15)), std::optional<DWORD>(0));

    EXPECT_TRUE(fs::exists(Target() / "app" / "core.txt"));
    EXPECT_FALSE(fs::exists(Target() / "docs" / "guide.txt")) << "unticked";
    EXPECT_TRUE(sandbox_.Snapshot().Entry) << "the user's entry: the installation is per user";
    HKEY machine = nullptr;
    EXPECT_NE(
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\RQInstallerTest",
                      0, KEY_READ | KEY_WOW64_64KEY, &machine),
        ERROR_SUCCESS);
    if (machine != nullptr) RegCloseKey(machine);
}

// Installed for all users into a folder of one's own, the new version's wizard switched to "Только
// для меня" installs for the user in the user's default folder: the machine's installation keeps
// its files, its entry, its uninstaller and its PATH entry.
TEST_F(WizardWindowTest, SwitchingAnUpdateToJustMeLeavesTheMachinesInstallationWhole) {
    REQUIRE_SCREEN();
    const fs::path machine = Target() / "Custom2";
    const fs::path user = DefaultFolder(false);
    std::error_code ignored;
    fs::remove_all(user, ignored);
    const Finished installed =
        RunProgram(Setup(), {L"/S", L"/D=" + machine.wstring(), L"--per-machine", L"--add-to-path", L"--no-shortcuts"});
    ASSERT_EQ(installed.ExitCode, 0u) << installed.Err;

    LiveInstaller installer(Setup(), {});
    ASSERT_NE(installer.FindWindow(), nullptr);
    ASSERT_TRUE(ToOptionsPage(installer));
    ASSERT_TRUE(installer.RealClick(PerUserCardX, ScopeCardY));  // "Только для меня"
    ASSERT_TRUE(installer.RealClick(PrimaryX, FooterY));         // "Установить"
    ASSERT_TRUE(installer.WaitForStep(5, Accent())) << "the finish page";
    ASSERT_TRUE(installer.RealClick(PrimaryX, FooterY));  // "Готово"
    EXPECT_EQ(installer.WaitForExit(std::chrono::seconds(15)), std::optional<DWORD>(0));

    EXPECT_EQ(EntryLocation(false), user.wstring());
    EXPECT_TRUE(fs::exists(user / "app" / "core.txt"));
    EXPECT_EQ(EntryLocation(true), machine.wstring());
    EXPECT_TRUE(fs::exists(machine / "uninstall.exe"));
    EXPECT_NE(ReadText(machine / ".ravenquill" / "record.json").find("\"perMachine\": true"), std::string::npos);
    EXPECT_TRUE(PathHolds(PathOf(HKEY_LOCAL_MACHINE), machine));

    for (const fs::path& folder : {user, machine}) {
        if (!fs::exists(folder / "uninstall.exe")) continue;
        const Finished removed = RunProgram(folder / "uninstall.exe", {L"--uninstall", L"--silent"});
        EXPECT_EQ(removed.ExitCode, 0u) << removed.Err;
    }
    EXPECT_TRUE(WaitFor([&] { return !fs::exists(user) && !fs::exists(machine); }));
    EXPECT_FALSE(PathHolds(PathOf(HKEY_LOCAL_MACHINE), machine));
    // Whatever a failure left behind.
    PathVariable::Remove(machine.wstring(), true);
}

TEST_F(WizardWindowTest, EscapeWhileCopyingEndsWith0AndLeavesNothingBehind) {
    const fs::path setup = PlacePlainProgram();
    // A payload large enough that the copying is still going on when Escape arrives.
    {
        std::vector<char> block(1 << 20, 'x');
        std::ofstream big(sandbox_.Payload() / "app" / "big.bin", std::ios::binary);
        for (int i = 0; i < 768; ++i) big.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    const MachineState before = sandbox_.Snapshot();
    LiveInstaller installer(setup, {L"--dir=" + Target().wstring(), L"--per-user", L"--add-to-path"});
    ASSERT_NE(installer.FindWindow(), nullptr);
    installer.Click(PrimaryX, FooterY);  // "Установить"
    ASSERT_TRUE(WaitFor([&] { return fs::exists(Target() / "app"); })) << "the copying never began";
    EXPECT_FALSE(fs::exists(Target() / ".ravenquill" / "record.json")) << "the copying had already ended";
    installer.PressEscape();

    // The window goes at once; the process then waits for the run's clean-up.
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(installer.Window()); }, std::chrono::seconds(5)));
    EXPECT_EQ(installer.WaitForExit(), std::optional<DWORD>(0));
    EXPECT_EQ(sandbox_.Snapshot(), before) << "nothing of the product is left";
}

TEST_F(WizardWindowTest, ALockedFileAskedAboutAndCancelledEndsOnTheFailedPage) {
    REQUIRE_SCREEN();
    fs::create_directories(Target() / "app");
    const fs::path locked = Target() / "app" / "core.txt";
    { std::ofstream(locked) << "held"; }
    const HANDLE holder =
        CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    LiveInstaller installer(Setup(), {L"--dir=" + Target().wstring(), L"--per-user"});
    ASSERT_NE(installer.FindWindow(), nullptr);
    ASSERT_TRUE(installer.WaitForStep(1, Accent()));
    installer.Click(PrimaryX, FooterY);  // "Установить"
    const std::optional<POINT> primary = installer.WaitForDialogButton(Accent());
    ASSERT_TRUE(primary) << "the \"Файл занят\" dialog";
    // "Отмена" is the secondary button: 112 px wide, 10 px left of the primary one.
    installer.Click(primary->x - 10 - 56, primary->y + 18);
    EXPECT_TRUE(installer.WaitForStep(5, Accent())) << "the failed result page";
    CloseHandle(holder);
    EXPECT_FALSE(fs::exists(Target() / ".ravenquill" / "record.json"));
    EXPECT_FALSE(sandbox_.Snapshot().Entry);
    installer.Click(PrimaryX, FooterY);
    EXPECT_EQ(installer.WaitForExit(std::chrono::seconds(15)), std::optional<DWORD>(0));
}

TEST_F(WizardWindowTest, TheMinimiseButtonMakesTheWindowIconicAndTheProcessKeepsRunning) {
    LiveInstaller installer(Setup(), Arguments());
    ASSERT_NE(installer.FindWindow(), nullptr);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    installer.Click(MinimizeX, CloseY);
    EXPECT_TRUE(WaitFor([&] { return IsIconic(installer.Window()) != FALSE; }, std::chrono::seconds(5)));
    EXPECT_TRUE(installer.Running());
    ShowWindow(installer.Window(), SW_RESTORE);
    EXPECT_TRUE(WaitFor([&] { return IsIconic(installer.Window()) == FALSE; }, std::chrono::seconds(5)));
    installer.Click(CloseX, CloseY);
    EXPECT_EQ(installer.WaitForExit(), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace Ravenquill::Core::Testing

namespace Ravenquill::Core::Testing {
namespace {

// The program's visible common dialog (the folder picker), waited for; null when none came.
HWND WaitForPicker(DWORD processId, std::chrono::seconds wait = std::chrono::seconds(30)) {
    struct Search {
        DWORD ProcessId;
        HWND Found = nullptr;
    } search{processId};
    WaitFor(
        [&] {
            EnumWindows(
                [](HWND window, LPARAM param) -> BOOL {
                    auto* s = reinterpret_cast<Search*>(param);
                    DWORD owner = 0;
                    GetWindowThreadProcessId(window, &owner);
                    wchar_t name[16] = {};
                    GetClassNameW(window, name, 16);
                    if (owner != s->ProcessId || std::wstring(name) != L"#32770" || !IsWindowVisible(window))
                        return TRUE;
                    s->Found = window;
                    return FALSE;
                },
                reinterpret_cast<LPARAM>(&search));
            return search.Found != nullptr;
        },
        wait);
    return search.Found;
}

TEST_F(WizardWindowTest, ThePickerIsModalToTheWindowWhichStaysResponsiveAndIgnoresClicksMeanwhile) {
    REQUIRE_SCREEN();
    LiveInstaller installer(Setup(), Arguments());
    ASSERT_NE(installer.FindWindow(), nullptr);
    ASSERT_TRUE(ToOptionsPage(installer));
    ASSERT_TRUE(installer.RealClick(BrowseX, BrowseY));  // "Обзор…"
    DWORD processId = 0;
    GetWindowThreadProcessId(installer.Window(), &processId);
    const HWND picker = WaitForPicker(processId);
    ASSERT_NE(picker, nullptr) << "the picker never showed";
    EXPECT_EQ(GetWindow(picker, GW_OWNER), installer.Window());
    EXPECT_FALSE(IsWindowEnabled(installer.Window())) << "the window takes no input while the picker is open";

    // The window's thread goes on taking its messages: a redraw request, then a message that needs
    // an answer.
    PostMessageW(installer.Window(), WM_APP + 1, 0, 0);
    DWORD_PTR answer = 0;
    EXPECT_NE(SendMessageTimeoutW(installer.Window(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 3000, &answer), 0)
        << "the window does not answer while the picker is open";
    EXPECT_FALSE(IsHungAppWindow(installer.Window()));

    // A click on "Назад" now reaches nothing, neither now nor once the picker has closed.
    ASSERT_TRUE(installer.RealClick(BackX, FooterY));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const auto closePicker = [&](HWND open) {
        SetForegroundWindow(open);
        ASSERT_TRUE(installer.RealKey(VK_ESCAPE, false));
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(open); }, std::chrono::seconds(10))) << "Escape left it open";
        EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(installer.Window()) != FALSE; }, std::chrono::seconds(5)));
    };
    closePicker(picker);
    EXPECT_FALSE(installer.WaitForStep(1, Accent(), std::chrono::seconds(2))) << "the click went to the page";
    EXPECT_TRUE(installer.WaitForStep(3, Accent())) << "still on the options page";

    // Nor does the pointer moved meanwhile: the frame that opened the picker, a click's, must not go
    // on to click "Установить" because the pointer went there.
    ASSERT_TRUE(installer.RealClick(BrowseX, BrowseY));
    const HWND again = WaitForPicker(processId);
    ASSERT_NE(again, nullptr);
    ASSERT_TRUE(installer.RealMoveTo(PrimaryX, FooterY));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    closePicker(again);
    EXPECT_FALSE(installer.WaitForStep(4, Accent(), std::chrono::seconds(2))) << "an installation started";
    EXPECT_TRUE(installer.WaitForStep(3, Accent())) << "still on the options page";
    EXPECT_TRUE(installer.Running());

    installer.Close();
    EXPECT_EQ(installer.WaitForExit(), std::optional<DWORD>(0));
}

// The documentation row's check box on the options page: (342, 436)-(361, 455), filled with the
// accent colour while it is ticked (the pointer kept off it, which would show the hover colour).
// Its column x 344 passes left of the check mark.
bool DocumentationTicked(const LiveInstaller& installer) {
    const Screen screen = Screen::Capture();
    RECT b{};
    GetWindowRect(installer.Window(), &b);
    int run = 0;
    for (int y = 420; y < 468; ++y) {
        run = Near(screen.At(b.left + 344, b.top + y), Accent(), 12) ? run + 1 : 0;
        if (run >= 15) return true;
    }
    return false;
}

TEST_F(WizardWindowTest, ClicksRightAfterThePickerClosesTakeEffect) {
    REQUIRE_SCREEN();
    LiveInstaller installer(Setup(), Arguments());
    ASSERT_NE(installer.FindWindow(), nullptr);
    ASSERT_TRUE(ToOptionsPage(installer));
    ASSERT_TRUE(installer.RealMoveTo(600, 90));  // off every control
    ASSERT_TRUE(WaitFor([&] { return DocumentationTicked(installer); }, std::chrono::seconds(5)));
    DWORD processId = 0;
    GetWindowThreadProcessId(installer.Window(), &processId);

    // Opens the picker with "Обзор…", closes it with Escape, and returns once it has gone.
    const auto pickAndCancel = [&] {
        if (!installer.RealClick(BrowseX, BrowseY)) return false;
        const HWND picker = WaitForPicker(processId);
        if (picker == nullptr) return false;
        SetForegroundWindow(picker);
        if (!installer.RealKey(VK_ESCAPE, false)) return false;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (IsWindow(picker) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return !IsWindow(picker);
    };

    bool ticked = true;
    for (const int afterMs : {300, 600, 1200}) {
        SCOPED_TRACE(afterMs);
        ASSERT_TRUE(pickAndCancel()) << "the picker did not open and close";
        std::this_thread::sleep_for(std::chrono::milliseconds(afterMs));
        ASSERT_TRUE(installer.RealClick(DocumentationRowX, DocumentationRowY));
        const auto clicked = std::chrono::steady_clock::now();
        ASSERT_TRUE(installer.RealMoveTo(600, 90));
        ticked = !ticked;
        EXPECT_TRUE(WaitFor([&] { return DocumentationTicked(installer) == ticked; }, std::chrono::seconds(5)))
            << "the click on the component row was lost";
        std::printf("  a click %d ms after the picker closed took effect on screen within %lld ms\n", afterMs,
                    static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                               std::chrono::steady_clock::now() - clicked)
                                               .count()));
    }

    // The caption's close button, 1.2 s after the picker closed.
    ASSERT_TRUE(pickAndCancel());
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    ASSERT_TRUE(installer.RealClick(CloseX, CloseY));
    EXPECT_EQ(installer.WaitForExit(std::chrono::seconds(15)), std::optional<DWORD>(0)) << "the click was lost";
}

// 20,000 files of 100 bytes under "app" beside the test payload, made once for the tests below:
// every file is a progress and a journal event, so the engine asks for frames as fast as it can.
class BusyWindowTest : public WizardWindowTest {
protected:
    static constexpr int SmallFiles = 20'000;

    static fs::path Folder() { return fs::temp_directory_path() / "RqBusyWindow"; }
    static fs::path Program() { return Folder() / "plain-setup.exe"; }

    static void SetUpTestSuite() {
        std::error_code ignored;
        fs::remove_all(Folder(), ignored);
        fs::create_directories(Folder());
        fs::copy(FromEnvironment("RQ_TEST_DATA") / "app" / "payload", Folder() / "payload",
                 fs::copy_options::recursive);
        fs::copy_file(FromEnvironment("RQ_TEST_DATA") / "app" / "installer.json", Folder() / "installer.json");
        fs::copy_file(PlainProgram(), Program());
        const std::string content(100, 'q');
        const fs::path many = Folder() / "payload" / "app" / "many";
        for (int i = 0; i < SmallFiles; ++i) {
            const fs::path folder = many / ("d" + std::to_string(i / 1000));
            if (i % 1000 == 0) fs::create_directories(folder);
            const fs::path file = folder / ("f" + std::to_string(i) + ".txt");
            const HANDLE handle =
                CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            ASSERT_NE(handle, INVALID_HANDLE_VALUE) << file;
            DWORD written = 0;
            WriteFile(handle, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
            CloseHandle(handle);
        }
    }
    static void TearDownTestSuite() {
        std::error_code ignored;
        fs::remove_all(Folder(), ignored);
    }

    std::vector<std::wstring> BusyArguments() const { return {L"--dir=" + Target().wstring(), L"--per-user"}; }

    // Starts the installation from the welcome page with a real click and waits for the copying to
    // begin; false when it never did or had already ended.
    bool StartCopying(const LiveInstaller& installer) const {
        if (!installer.WaitForStep(1, Accent()) || !installer.RealClick(PrimaryX, FooterY))
            return false;  // "Установить"
        if (!WaitFor([&] { return fs::exists(Target() / "app" / "many"); })) {
            ADD_FAILURE() << "the copying never began";
            return false;
        }
        return true;
    }
    bool CopyingHasEnded() const { return fs::exists(Target() / ".ravenquill" / "record.json"); }
};

TEST_F(BusyWindowTest, EscapeOrTheCloseButtonWhileManySmallFilesAreCopiedClosesTheWindowAndLeavesNothing) {
    REQUIRE_SCREEN();
    struct Case {
        const char* Name;
        bool (*Close)(const LiveInstaller&);
    };
    const Case cases[] = {
        {"Escape", [](const LiveInstaller& installer) { return installer.RealKey(VK_ESCAPE); }},
        {"the close button", [](const LiveInstaller& installer) { return installer.RealClick(CloseX, CloseY); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const MachineState before = sandbox_.Snapshot();
        LiveInstaller installer(Program(), BusyArguments());
        ASSERT_NE(installer.FindWindow(), nullptr);
        ASSERT_TRUE(StartCopying(installer));
        ASSERT_FALSE(CopyingHasEnded()) << "the copying ended before the input was sent";
        ASSERT_TRUE(c.Close(installer));

        // The window goes while the files are still being copied; the process then waits for the
        // run's clean-up.
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(installer.Window()); }));
        EXPECT_EQ(installer.WaitForExit(std::chrono::seconds(90)), std::optional<DWORD>(0));
        EXPECT_EQ(sandbox_.Snapshot(), before) << "nothing of the product is left";
        EXPECT_FALSE(fs::exists(Target()));
    }
}

TEST_F(BusyWindowTest, ARealClickOnCancelWhileManySmallFilesAreCopiedEndsOnTheCancelledPageWithNothingLeft) {
    REQUIRE_SCREEN();
    const MachineState before = sandbox_.Snapshot();
    LiveInstaller installer(Program(), BusyArguments());
    ASSERT_NE(installer.FindWindow(), nullptr);
    ASSERT_TRUE(StartCopying(installer));
    ASSERT_FALSE(CopyingHasEnded()) << "the copying ended before the input was sent";
    ASSERT_TRUE(installer.RealClick(PrimaryX, FooterY));  // "Отмена"

    // The cancelled page's badge is in the warning colour (done: accent, failed: error).
    EXPECT_TRUE(installer.WaitForBand(BadgeColumnX, Rgb(Palette().Warning), 40, std::chrono::seconds(60)))
        << "no cancelled result page";
    EXPECT_FALSE(CopyingHasEnded());
    EXPECT_EQ(sandbox_.Snapshot(), before) << "nothing of the product is left";
    EXPECT_FALSE(fs::exists(Target()));
    ASSERT_TRUE(installer.RealClick(PrimaryX, FooterY));  // "Закрыть"
    EXPECT_EQ(installer.WaitForExit(std::chrono::seconds(15)), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace Ravenquill::Core::Testing
