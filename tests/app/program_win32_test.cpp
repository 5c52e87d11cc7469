// The program's silent mode and help on the platform: installs and removals through Program::Main
// from a fake setup folder, the log file they leave in the temporary directory, an elevated relaunch
// whose copy appends to the same log, and the usage text through a redirected standard output.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "app/program.h"
#include "app/silent_run.h"
#include "core/common/system_text_win32.h"
#include "core/engine/install_test_support.h"
#include "core/engine/support/uninstall_timeout_support.h"
#include "support/machine_without_rights_win32.h"

namespace Ravenquill::Program {
namespace {

using namespace Core::Testing;
using Args = std::vector<std::wstring>;

const std::string Bom = "\xEF\xBB\xBF";

std::string TestName() { return testing::UnitTest::GetInstance()->current_test_info()->name(); }

// The log's lines without the byte-order mark; fails the test on a line end other than CR LF.
std::vector<std::string> Lines(const std::string& log) {
    std::vector<std::string> lines;
    std::size_t start = log.rfind(Bom, 0) == 0 ? Bom.size() : 0;
    while (start < log.size()) {
        const std::size_t end = log.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "unterminated last line: " << log.substr(start);
            break;
        }
        const std::string line = log.substr(start, end - start);
        EXPECT_EQ(line.find('\n'), std::string::npos) << line;
        EXPECT_EQ(line.find('\r'), std::string::npos) << line;
        lines.push_back(line);
        start = end + 2;
    }
    return lines;
}

// The program with its real manifest and silent mode, run as a user without administrator rights.
int MainWithoutRights(const Args& arguments) {
    Testing::MachineWithoutRights machine;
    const Modes modes{
        .LoadManifest = [] { return Core::InstallManifest::Load(); },
        .RunSilent =
            [&machine](ManifestPtr manifest, const Core::CommandLineOptions& options) {
                return SilentRun::Run(manifest, options, machine, *SilentRun::LogSource::System());
            },
    };
    return Main(arguments, modes);
}

bool IsHeader(const std::string& line) {
    static const std::regex header(R"(--- \d{4}-\d\d-\d\d [0-2]\d:[0-5]\d:[0-5]\d ---)");
    return std::regex_match(line, header);
}

bool WaitUntilGone(const fs::path& path) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (fs::exists(path) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return !fs::exists(path);
}

std::wstring MachineEntryKey(const std::wstring& productId) {
    return L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + productId;
}

bool MachineEntryExists(const std::wstring& productId) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, MachineEntryKey(productId).c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &key) !=
        ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// A setup folder with a payload folder and a side manifest, and the product's log taken away
// before and after.
class SilentProgramTest : public testing::Test {
protected:
    SilentProgramTest() : sandbox_(TestName()) {}

    void SetUp() override {
        sandbox_.AddPayload("app.exe", "app");
        sandbox_.AddPayload("docs\\guide.txt", "guide");
        WriteText(sandbox_.Setup() / "installer.json",
                  "{\"productId\": \"" + fs::path(sandbox_.Manifest().ProductId).string() + "\", \"productName\": \"" +
                      fs::path(sandbox_.ProductName()).string() +
                      "\", \"publisher\": \"Rq Tests\", \"version\": \"2.5.0\", \"mainExecutable\": \"app.exe\"}");
        // The folders above the target exist already: an uninstall never takes those.
        fs::create_directories(sandbox_.Target().parent_path());
        RemoveLog();
    }
    void TearDown() override {
        RemoveLog();
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, MachineEntryKey(sandbox_.Manifest().ProductId).c_str());
    }

    fs::path LogPath() {
        return fs::temp_directory_path() / (L"Ravenquill-" + sandbox_.Manifest().ProductId + L".log");
    }
    void RemoveLog() {
        std::error_code ignored;
        fs::remove(LogPath(), ignored);
    }
    std::string Log() { return ReadText(LogPath()); }
    std::wstring DirArgument() const { return L"--dir=" + sandbox_.Target().wstring(); }

    InstallSandbox sandbox_;
};

TEST_F(SilentProgramTest, InstallThenUninstallThroughTheInstalledCopy) {
    ProvideTimeout();
    const MachineState before = sandbox_.Snapshot();

    EXPECT_EQ(Main(Args{L"/S", DirArgument(), L"--per-user", L"--shortcuts=desktop,startmenu", L"--add-to-path",
                        L"--theme=dark"}),
              0);
    EXPECT_EQ(ReadText(sandbox_.Target() / "app.exe"), "app");
    EXPECT_EQ(ReadText(sandbox_.Target() / "docs" / "guide.txt"), "guide");
    EXPECT_TRUE(fs::exists(sandbox_.Target() / "uninstall.exe"));
    EXPECT_TRUE(fs::exists(sandbox_.Target() / "installer.json"));
    EXPECT_TRUE(fs::exists(sandbox_.Target() / ".ravenquill" / "record.json"));
    const MachineState installed = sandbox_.Snapshot();
    EXPECT_TRUE(installed.DesktopLink);
    EXPECT_TRUE(installed.Entry);
    ASSERT_TRUE(installed.Path);
    EXPECT_NE(installed.Path->find(sandbox_.Target().wstring()), std::wstring::npos);

    const std::string installLog = Log();
    EXPECT_EQ(installLog.rfind(Bom, 0), 0u);
    const std::vector<std::string> installLines = Lines(installLog);
    ASSERT_GE(installLines.size(), 2u);
    EXPECT_TRUE(IsHeader(installLines[0])) << installLines[0];
    for (std::size_t i = 1; i < installLines.size(); ++i) EXPECT_FALSE(IsHeader(installLines[i])) << installLines[i];

    sandbox_.RunFrom(sandbox_.Target() / "uninstall.exe");
    EXPECT_EQ(Main(Args{L"--uninstall", L"--silent"}), 0);
    EXPECT_TRUE(WaitUntilGone(sandbox_.Target()));
    EXPECT_EQ(sandbox_.Snapshot(), before);

    // The second run appended its own header and lines, with no second byte-order mark.
    const std::string log = Log();
    EXPECT_EQ(log.substr(0, installLog.size()), installLog);
    EXPECT_EQ(log.find(Bom, 1), std::string::npos);
    const std::vector<std::string> lines = Lines(log);
    ASSERT_GT(lines.size(), installLines.size() + 1);
    EXPECT_TRUE(IsHeader(lines[installLines.size()]));
    for (const std::string& line : lines) EXPECT_EQ(line.find("ОШИБКА"), std::string::npos) << line;
}

TEST_F(SilentProgramTest, NothingToUninstallEndsWithZero) {
    EXPECT_EQ(Main(Args{L"/S", L"/U"}), 0);
    const std::vector<std::string> lines = Lines(Log());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(IsHeader(lines[0]));
    EXPECT_EQ(lines[1], "Установленная версия не найдена — нечего удалять");
}

TEST_F(SilentProgramTest, DamagedSidePackageFailsWithTheReadersMessageAndLeavesNothing) {
    WriteText(sandbox_.Setup() / "payload.rqpk", "RQ");
    const MachineState before = sandbox_.Snapshot();
    EXPECT_EQ(Main(Args{L"/S", DirArgument(), L"--per-user"}), 1);
    EXPECT_EQ(sandbox_.Snapshot(), before);
    const std::vector<std::string> lines = Lines(Log());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "ОШИБКА: Пакет повреждён: неверная сигнатура.");
}

TEST_F(SilentProgramTest, DeclinedRelaunchOfAPerMachineInstallWithoutRights) {
    // The fake setup program is no program: the shell cannot start it, as if consent were refused.
    const MachineState before = sandbox_.Snapshot();
    EXPECT_EQ(MainWithoutRights(Args{L"/S", DirArgument(), L"--per-machine"}), 1);
    EXPECT_EQ(sandbox_.Snapshot(), before);
    const std::vector<std::string> lines = Lines(Log());
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "Требуются права администратора — перезапуск с повышением прав");
    EXPECT_EQ(lines[2], "Повышение прав отклонено");
}

TEST_F(SilentProgramTest, ElevatedCopyAppendsItsLinesAfterTheWaitingRun) {
    ProvideTimeout();
    // The setup program is the program itself, so the relaunch really runs an elevated copy.
    fs::copy_file(fs::path(ModuleFileName()).parent_path() / "rq_test_silent_program.exe",
                  sandbox_.Setup() / "setup.exe", fs::copy_options::overwrite_existing);
    // Per-machine without rights into a folder the user can write: still an elevated run.
    EXPECT_EQ(MainWithoutRights(Args{L"/S", DirArgument(), L"--per-machine", L"--no-shortcuts"}), 0);
    EXPECT_EQ(ReadText(sandbox_.Target() / "app.exe"), "app");
    EXPECT_TRUE(MachineEntryExists(sandbox_.Manifest().ProductId));

    const std::string log = Log();
    EXPECT_EQ(log.find(Bom, 1), std::string::npos);
    const std::vector<std::string> lines = Lines(log);
    ASSERT_GT(lines.size(), 3u);
    EXPECT_TRUE(IsHeader(lines[0]));
    EXPECT_EQ(lines[1], "Требуются права администратора — перезапуск с повышением прав");
    EXPECT_TRUE(IsHeader(lines[2]));
    for (std::size_t i = 3; i < lines.size(); ++i) {
        EXPECT_FALSE(IsHeader(lines[i])) << lines[i];
        EXPECT_EQ(lines[i].find("ОШИБКА"), std::string::npos) << lines[i];
        EXPECT_NE(lines[i], "Повышение прав отклонено");
    }

    // Taken away again through the installed copy.
    sandbox_.RunFrom(sandbox_.Target() / "uninstall.exe");
    EXPECT_EQ(Main(Args{L"--uninstall", L"--silent"}), 0);
    EXPECT_FALSE(MachineEntryExists(sandbox_.Manifest().ProductId));
    EXPECT_TRUE(WaitUntilGone(sandbox_.Target()));
}

class RedirectedOutput {
public:
    explicit RedirectedOutput(const fs::path& path)
        : previous_(GetStdHandle(STD_OUTPUT_HANDLE)),
          file_(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr)) {
        SetStdHandle(STD_OUTPUT_HANDLE, file_);
    }
    ~RedirectedOutput() {
        SetStdHandle(STD_OUTPUT_HANDLE, previous_);
        CloseHandle(file_);
    }
    RedirectedOutput(const RedirectedOutput&) = delete;
    RedirectedOutput& operator=(const RedirectedOutput&) = delete;

private:
    HANDLE previous_;
    HANDLE file_;
};

TEST(ProgramUsageOutput, GoesToARedirectedStandardOutput) {
    const fs::path path = fs::temp_directory_path() / "RqUsage-test.txt";
    {
        RedirectedOutput redirected(path);
        EXPECT_EQ(Main(Args{L"--help", L"/S"}), 0);
    }
    EXPECT_EQ(ReadText(path), UsageBytes());
    fs::remove(path);
}

TEST(ProgramUsageOutput, WithoutOutputOrConsoleShowsNothingAndEndsWithZero) {
    const HANDLE previous = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
    EXPECT_EQ(Main(Args{L"-h"}), 0);
    SetStdHandle(STD_OUTPUT_HANDLE, previous);
}

}  // namespace
}  // namespace Ravenquill::Program
