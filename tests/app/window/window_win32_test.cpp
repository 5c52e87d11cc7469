// The built installer's window as a user meets it: the program started from a setup folder, its
// window found by class and driven with posted mouse messages and keys, its pixels read back from
// the virtual display, and what it leaves on the machine checked afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/window/window_driver_win32.h"
#include "core/engine/install_test_support.h"
#include "ui/theme.h"

namespace Ravenquill::Core::Testing {
namespace {

using namespace std::chrono_literals;
namespace Driver = Ravenquill::Testing::WindowDriver;
using Args = std::vector<std::wstring>;

// Logical positions in the window (940 × 580 at 96 DPI, as under the virtual display).
constexpr int PrimaryX = 840, FooterY = 506;         // the footer's primary button, right-aligned at 876
constexpr int SecondaryX = 690;                      // the button left of a 132-px primary one
constexpr int PerUserCardX = 457, ScopeCardY = 295;  // the options page's scope cards
constexpr int DocumentationRowX = 603, DocumentationRowY = 444;
constexpr int MinimizeX = 847, CloseX = 893, CaptionY = 42;

std::string TestName() { return testing::UnitTest::GetInstance()->current_test_info()->name(); }

fs::path PlainProgram() {
    const char* value = std::getenv("RQ_INSTALLER_PLAIN");
    return value != nullptr ? fs::path(value) : fs::path();
}
fs::path TestData() {
    const char* value = std::getenv("RQ_TEST_DATA");
    return value != nullptr ? fs::path(value) : fs::path();
}

// The dark palette with the manifest's default accent: what the wizard shows in a prefix without
// a light-mode setting.
const Ui::Theme& Palette() {
    static const Ui::Theme theme = [] {
        Ui::Theme t = Ui::Theme::Dark();
        t.ApplyAccent(InstallManifest{}.EffectiveAccent());
        return t;
    }();
    return theme;
}
std::uint32_t Rgb(std::uint32_t argb) { return argb & 0xFFFFFF; }

class Installer {
public:
    Installer(const fs::path& program, const Args& arguments) {
        std::wstring commandLine = L"\"" + program.wstring() + L"\"";
        for (const std::wstring& argument : arguments) commandLine += L" \"" + argument + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            program.parent_path().c_str(), &startup, &process_)) {
            ADD_FAILURE() << "cannot start " << program << ": error " << GetLastError();
            return;
        }
        window_ = Driver::FindWindowOf(process_.dwProcessId, 30s);
        EXPECT_NE(window_, nullptr) << "no window of class RavenquillShell";
    }
    ~Installer() {
        if (process_.hProcess == nullptr) return;
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
            ADD_FAILURE() << "the installer was still running";
            TerminateProcess(process_.hProcess, 99);
            WaitForSingleObject(process_.hProcess, 10'000);
        }
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    Installer(const Installer&) = delete;
    Installer& operator=(const Installer&) = delete;

    HWND Window() const { return window_; }
    bool Shown() const { return window_ != nullptr; }
    bool Running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }
    // The exit code once the process has ended within the timeout.
    std::optional<DWORD> WaitForExit(std::chrono::milliseconds timeout) const {
        if (WaitForSingleObject(process_.hProcess, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0)
            return std::nullopt;
        DWORD code = 0;
        GetExitCodeProcess(process_.hProcess, &code);
        return code;
    }

    void Click(int x, int y) const { Driver::Click(window_, x, y); }

    // The window's pixel at a logical position, 0xRRGGBB.
    std::uint32_t Pixel(int x, int y) const {
        const RECT bounds = Driver::Bounds(window_);
        return Driver::Screen::Capture().At(bounds.left + x, bounds.top + y);
    }

    // Waits until the step rail marks step n (1-based) active: its disc is filled with the accent.
    bool WaitForStep(int n, std::chrono::milliseconds timeout = 30s) const {
        const int y = 143 + 42 * (n - 1) + 3;  // inside the disc, clear of its number
        return WaitUntil([&] { return Driver::Near(Pixel(64, y), Rgb(Palette().Accent), 12); }, timeout);
    }

    // The dialog's primary button: an accent-coloured band at least a button high in the column
    // x 650, which lies inside every primary button of a dialog (right-aligned at 666, 132 wide or
    // more). Its top and left edge, once shown.
    std::optional<POINT> WaitForDialogButton(std::chrono::milliseconds timeout = 30s) const {
        std::optional<POINT> found;
        WaitUntil(
            [&] {
                const Driver::Screen screen = Driver::Screen::Capture();
                const RECT b = Driver::Bounds(window_);
                const auto accent = [&](int x, int y) {
                    return Driver::Near(screen.At(b.left + x, b.top + y), Rgb(Palette().Accent), 12);
                };
                int run = 0;
                for (int y = 100; y < 540; ++y) {
                    run = accent(650, y) ? run + 1 : 0;
                    if (run == 30) {
                        int left = 650;
                        while (left > 260 && accent(left - 1, y)) --left;
                        found = POINT{left, y - 29};
                        return true;
                    }
                }
                return false;
            },
            timeout);
        return found;
    }

private:
    template <class Condition>
    static bool WaitUntil(Condition condition, std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(100ms);
        }
        return true;
    }

    PROCESS_INFORMATION process_{};
    HWND window_ = nullptr;
};

// A setup folder with the plain program, the test manifest and payload beside it, and the test
// product's traces removed before and after.
class WindowTest : public testing::Test {
protected:
    WindowTest() : sandbox_(TestName()) {
        InstallManifest& manifest = sandbox_.Manifest();
        manifest.ProductId = L"RQInstallerTest";
        manifest.ProductName = L"RQ Installer Test";
        manifest.StartMenuFolder = L"RQ Installer Test";
    }

    void SetUp() override {
        if (!Driver::Screen::FramebufferPath())
            GTEST_SKIP() << "needs the virtual display's framebuffer file in RQ_FRAMEBUFFER (tools/test sets it)";
        Forget();
        fs::create_directories(sandbox_.Target().parent_path());
        fs::copy_file(TestData() / "app" / "installer.json", sandbox_.Setup() / "installer.json",
                      fs::copy_options::overwrite_existing);
        fs::remove_all(sandbox_.Payload());
        fs::copy(TestData() / "app" / "payload", sandbox_.Payload(), fs::copy_options::recursive);
        fs::copy_file(PlainProgram(), Setup(), fs::copy_options::overwrite_existing);
        before_ = sandbox_.Snapshot();
    }
    void TearDown() override { Forget(); }

    fs::path Setup() const { return sandbox_.Setup() / "setup.exe"; }
    fs::path Target() const { return sandbox_.Target(); }
    Args Preset(Args extra = {}) const {
        Args arguments{L"--dir=" + Target().wstring()};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return arguments;
    }

    void Forget() const {
        std::error_code ignored;
        if (auto roaming = FileSystem::KnownFolderPath(FileSystem::KnownFolder::RoamingAppData))
            fs::remove_all(fs::path(*roaming) / L"RQ Installer Test", ignored);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\RQInstallerTest");
    }

    static void ExpectExitsWith0(const Installer& installer, std::chrono::milliseconds timeout = 20s) {
        const std::optional<DWORD> code = installer.WaitForExit(timeout);
        ASSERT_TRUE(code) << "the installer did not end";
        EXPECT_EQ(*code, 0u);
    }

    InstallSandbox sandbox_;
    MachineState before_;
};

TEST_F(WindowTest, TheWindowIsCentredWithItsClassTitleSizeAndSidebar) {
    Installer installer(Setup(), Preset());
    ASSERT_TRUE(installer.Shown());
    const HWND window = installer.Window();
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    EXPECT_STREQ(className, L"RavenquillShell");
    EXPECT_EQ(Driver::Title(window), L"Установка RQ Installer Test");
    const RECT bounds = Driver::Bounds(window);
    EXPECT_EQ(bounds.right - bounds.left, 940);
    EXPECT_EQ(bounds.bottom - bounds.top, 580);
    EXPECT_EQ(bounds.left, (GetSystemMetrics(SM_CXSCREEN) - 940) / 2);
    EXPECT_EQ(bounds.top, (GetSystemMetrics(SM_CYSCREEN) - 580) / 2);
    EXPECT_EQ(GetWindowLongW(window, GWL_EXSTYLE) & (WS_EX_LAYERED | WS_EX_APPWINDOW), WS_EX_LAYERED | WS_EX_APPWINDOW);
    EXPECT_EQ(GetWindowLongW(window, GWL_STYLE) & (WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX),
              static_cast<LONG>(WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX));
    EXPECT_TRUE(installer.WaitForStep(1));
    EXPECT_TRUE(Driver::Near(installer.Pixel(150, 420), Rgb(Palette().Sidebar)));
    EXPECT_TRUE(Driver::Near(installer.Pixel(600, 140), Rgb(Palette().Background)));

    Driver::RequestClose(window);
    ExpectExitsWith0(installer);
    EXPECT_EQ(sandbox_.Snapshot(), before_);
}

TEST_F(WindowTest, DefaultInstallationFromTheWelcomePage) {
    Installer installer(Setup(), Preset({L"--per-user"}));
    ASSERT_TRUE(installer.Shown());
    ASSERT_TRUE(installer.WaitForStep(1));
    installer.Click(PrimaryX, FooterY);  // "Установить"
    EXPECT_TRUE(installer.WaitForStep(4, 10s)) << "the progress page";
    ASSERT_TRUE(installer.WaitForStep(5)) << "the finish page";
    installer.Click(PrimaryX, FooterY);  // "Готово"
    ExpectExitsWith0(installer);

    EXPECT_TRUE(fs::exists(Target() / "app" / "core.txt"));
    EXPECT_TRUE(fs::exists(Target() / "docs" / "guide.txt"));
    EXPECT_FALSE(fs::exists(Target() / "extras" / "sample.txt"));
    EXPECT_TRUE(fs::exists(Target() / "uninstall.exe"));
    EXPECT_TRUE(fs::exists(Target() / ".ravenquill" / "record.json"));
    const MachineState after = sandbox_.Snapshot();
    EXPECT_TRUE(after.Entry) << "the uninstall entry";
    EXPECT_TRUE(after.DesktopLink);
    EXPECT_TRUE(fs::exists(sandbox_.StartMenuFolder() / L"RQ Installer Test.lnk"));
}

TEST_F(WindowTest, TheOptionsPageChoicesAreWhatIsInstalled) {
    // Per machine from the command line; the options page switches to per user and leaves the
    // documentation out.
    Installer installer(Setup(), Preset({L"--per-machine"}));
    ASSERT_TRUE(installer.Shown());
    ASSERT_TRUE(installer.WaitForStep(1));
    installer.Click(SecondaryX, FooterY);  // "Настроить"
    ASSERT_TRUE(installer.WaitForStep(3)) << "the options page";
    installer.Click(PerUserCardX, ScopeCardY);
    installer.Click(DocumentationRowX, DocumentationRowY);
    installer.Click(PrimaryX, FooterY);  // "Установить"
    ASSERT_TRUE(installer.WaitForStep(5)) << "the finish page";
    installer.Click(PrimaryX, FooterY);
    ExpectExitsWith0(installer);

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

TEST_F(WindowTest, EscapeWhileCopyingEndsWith0AndLeavesNothingBehind) {
    // A payload large enough that the copying is still going on when Escape arrives.
    {
        std::vector<char> block(1 << 20, 'x');
        std::ofstream big(sandbox_.Payload() / "app" / "big.bin", std::ios::binary);
        for (int i = 0; i < 768; ++i) big.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    before_ = sandbox_.Snapshot();
    Installer installer(Setup(), Preset({L"--per-user", L"--add-to-path"}));
    ASSERT_TRUE(installer.Shown());
    ASSERT_TRUE(installer.WaitForStep(1));
    installer.Click(PrimaryX, FooterY);
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (!fs::exists(Target() / "app") && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(fs::exists(Target() / "app")) << "the copying never began";
    EXPECT_FALSE(fs::exists(Target() / ".ravenquill" / "record.json")) << "the copying had already ended";
    Driver::PressEscape(installer.Window());

    // The window goes at once; the process then waits for the run's clean-up.
    const auto closing = std::chrono::steady_clock::now() + 3s;
    while (IsWindow(installer.Window()) && std::chrono::steady_clock::now() < closing)
        std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(IsWindow(installer.Window()));
    ExpectExitsWith0(installer, 45s);
    EXPECT_EQ(sandbox_.Snapshot(), before_) << "nothing of the product is left";
}

TEST_F(WindowTest, ALockedFileAskedAboutAndCancelledEndsOnTheFailedPage) {
    fs::create_directories(Target() / "app");
    const fs::path locked = Target() / "app" / "core.txt";
    { std::ofstream(locked) << "held"; }
    const HANDLE holder =
        CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    Installer installer(Setup(), Preset({L"--per-user"}));
    ASSERT_TRUE(installer.Shown());
    ASSERT_TRUE(installer.WaitForStep(1));
    installer.Click(PrimaryX, FooterY);
    const std::optional<POINT> primary = installer.WaitForDialogButton();
    ASSERT_TRUE(primary) << "the \"Файл занят\" dialog";
    // "Отмена" is the secondary button: 112 px wide, 10 px left of the primary one.
    installer.Click(primary->x - 10 - 56, primary->y + 18);
    EXPECT_TRUE(installer.WaitForStep(5)) << "the failed result page";
    CloseHandle(holder);
    EXPECT_FALSE(fs::exists(Target() / ".ravenquill" / "record.json"));
    EXPECT_FALSE(sandbox_.Snapshot().Entry);
    installer.Click(PrimaryX, FooterY);
    ExpectExitsWith0(installer);
}

TEST_F(WindowTest, TheUninstallPageRemovesTheInstallation) {
    {
        Installer installer(Setup(), Preset({L"--per-user"}));
        ASSERT_TRUE(installer.Shown());
        ASSERT_TRUE(installer.WaitForStep(1));
        installer.Click(PrimaryX, FooterY);
        ASSERT_TRUE(installer.WaitForStep(5));
        installer.Click(PrimaryX, FooterY);
        ExpectExitsWith0(installer);
    }
    ASSERT_TRUE(fs::exists(Target() / "app" / "core.txt"));

    Installer uninstaller(Setup(), {L"--uninstall"});
    ASSERT_TRUE(uninstaller.Shown());
    ASSERT_TRUE(uninstaller.WaitForStep(1)) << "the uninstall page under the three-step rail";
    uninstaller.Click(PrimaryX, FooterY);  // "Удалить"
    ASSERT_TRUE(uninstaller.WaitForStep(3)) << "the result page";
    uninstaller.Click(PrimaryX, FooterY);  // "Готово"
    ExpectExitsWith0(uninstaller);
    EXPECT_FALSE(fs::exists(Target() / "app" / "core.txt"));
    EXPECT_FALSE(fs::exists(Target() / "docs" / "guide.txt"));
    EXPECT_FALSE(fs::exists(Target() / ".ravenquill"));
    EXPECT_FALSE(sandbox_.Snapshot().Entry);
}

TEST_F(WindowTest, CaptionButtonsCloseOrMinimise) {
    Installer installer(Setup(), Preset());
    ASSERT_TRUE(installer.Shown());
    ASSERT_TRUE(installer.WaitForStep(1));
    installer.Click(MinimizeX, CaptionY);
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(IsIconic(installer.Window()));
    EXPECT_TRUE(installer.Running());
    ShowWindow(installer.Window(), SW_RESTORE);
    std::this_thread::sleep_for(500ms);
    EXPECT_FALSE(IsIconic(installer.Window()));
    installer.Click(CloseX, CaptionY);
    ExpectExitsWith0(installer);
}

}  // namespace
}  // namespace Ravenquill::Core::Testing
