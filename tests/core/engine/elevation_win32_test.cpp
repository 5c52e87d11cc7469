// The elevation test and relaunch on the test platform. The platform always runs as an
// administrator, so the non-administrator path is taken through the replaceable administrator
// test; the relaunch starts this test executable again and reads back what the copy received.
#include <gtest/gtest.h>
#include <windows.h>

#include <shellapi.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "core/common/command_line_win32.h"
#include "core/common/file_system.h"
#include "core/common/host.h"
#include "core/common/path.h"
#include "core/common/text.h"
#include "core/engine/platform/elevation.h"
#include "core/model/command_line_options.h"
#include "support/fake_host.h"
#include "support/temp_folder.h"

namespace Ravenquill::Core {
namespace {

using Ravenquill::Testing::FakeHost;
using Ravenquill::Testing::TempFolder;

constexpr wchar_t RecordVariable[] = L"RQ_RELAUNCH_RECORD";
constexpr char ChildTest[] = "ElevationRelaunchChild.DISABLED_RecordsItsCommandLine";

// The list the platform's own parser makes of a command line.
std::vector<std::wstring> Split(const std::wstring& commandLine) { return SplitCommandLine(commandLine.c_str()); }

std::vector<std::wstring> Entries(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

// A drive letter with nothing behind it.
std::wstring MissingDrive() {
    for (wchar_t letter = L'Q'; letter <= L'Y'; ++letter) {
        const std::wstring root = std::wstring(1, letter) + L":\\";
        if (GetDriveTypeW(root.c_str()) == DRIVE_NO_ROOT_DIR) return root;
    }
    return {};
}

TEST(ElevationWin32Test, TheTestPlatformRunsAsAdministrator) {
    EXPECT_TRUE(Elevation::CheckAdministrator());
    EXPECT_TRUE(Elevation::IsAdministrator());
}

TEST(ElevationWin32Test, AnAdministratorNeverNeedsElevation) {
    const std::wstring missing = MissingDrive();
    ASSERT_FALSE(missing.empty());
    const TempFolder existing;
    for (const std::wstring& target : {missing + L"Rq", std::wstring(L""), existing.Path()}) {
        EXPECT_FALSE(Elevation::RequiresElevation(target)) << target;
    }
}

// What a user without administrator rights meets: the test platform always runs elevated.
TEST(ElevationWin32Test, TheNearestExistingFolderIsProbed) {
    const TempFolder temp;
    const std::wstring folder = temp.Path();
    const std::wstring missing = MissingDrive();
    ASSERT_FALSE(missing.empty());
    const struct {
        std::wstring target;
        bool writable;
    } cases[] = {
        {folder, true},
        // Not made yet: the probe goes to the folder that exists.
        {folder + L"\\New Product\\bin", true},
        {missing + L"Program Files\\Rq", false},
        {missing, false},
        // Paths that cannot be resolved count as unwritable.
        {L"", false},
        {std::wstring(L"C:\\Rq\0Null", 10), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Elevation::IsWritableTarget(c.target), c.writable) << c.target;
        EXPECT_EQ(Entries(folder), std::vector<std::wstring>{}) << c.target;
    }
}

TEST(ElevationWin32Test, ExistingAncestorIsAFullPathOfADirectory) {
    const TempFolder temp;
    const std::wstring folder = temp.Path();
    const std::wstring file = folder + L"\\plain.txt";
    std::ofstream(file.c_str()).put('x');
    wchar_t current[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, current);
    SetCurrentDirectoryW(folder.c_str());

    EXPECT_EQ(Elevation::FindExistingAncestor(L"relative\\child"), folder);
    EXPECT_EQ(Elevation::FindExistingAncestor(folder + L"\\plain.txt\\below"), folder);
    EXPECT_EQ(Elevation::FindExistingAncestor(folder + L"\\..\\" + temp.Get().filename().wstring() + L"\\x"), folder);
    EXPECT_EQ(Elevation::FindExistingAncestor(MissingDrive() + L"a\\b"), std::nullopt);

    SetCurrentDirectoryW(current);
}

TEST(ElevationWin32Test, RelaunchArgumentsParseBackToTheSameList) {
    const std::vector<std::vector<std::wstring>> lists{
        {},
        {L"--elevated", L"--per-user"},
        {L"C:\\Program Files\\Rq\\", L"next"},
        {L"D:\\", L"\\\\server\\share\\", L"a\\\\b\\"},
        {L"", L"--components=", L"tab\there"},
        {L"Пробел в имени\\", L"--shortcuts=desktop,startmenu"},
    };
    for (const std::vector<std::wstring>& list : lists) {
        std::vector<std::wstring> expected{L"rq.exe"};
        expected.insert(expected.end(), list.begin(), list.end());
        const std::wstring line = L"rq.exe " + Elevation::BuildArguments(list);
        EXPECT_EQ(Split(line), expected) << line;
    }
}

TEST(ElevationWin32Test, RelaunchOfTheChoicesGivesTheSameChoices) {
    CommandLineOptions original;
    original.Silent = true;
    original.KeepData = true;
    const std::vector<std::wstring> components{L"core", L"docs"};
    // An empty directory arrives empty (the elevated copy then asks for one) rather than absent,
    // which would put the installation into the default folder.
    for (const std::wstring dir : {L"C:\\Program Files\\Rq Product", L"D:\\", L"C:\\Trailing Slash\\", L""}) {
        const std::vector<std::wstring> arguments = original.ToArguments(dir, true, true, false, true, components);
        std::vector<std::wstring> parsed = Split(L"rq.exe " + Elevation::BuildArguments(arguments));
        parsed.erase(parsed.begin());
        const CommandLineOptions copy = CommandLineOptions::Parse(parsed);
        EXPECT_TRUE(copy.Elevated) << dir;
        EXPECT_TRUE(copy.Silent) << dir;
        EXPECT_TRUE(copy.KeepData) << dir;
        EXPECT_EQ(copy.InstallDir, dir) << dir;
        EXPECT_EQ(copy.PerMachine, true) << dir;
        EXPECT_EQ(copy.DesktopShortcut, true) << dir;
        EXPECT_EQ(copy.StartMenuShortcut, false) << dir;
        EXPECT_TRUE(copy.AddToPath) << dir;
        EXPECT_EQ(copy.Components, components) << dir;
        EXPECT_EQ(parsed.size(), arguments.size()) << dir;
    }
}

TEST(ElevationWin32Test, RelaunchStartsTheProgramInItsFolderWithTheArguments) {
    const std::wstring record = Path::Combine(FileSystem::TempDirectory(), L"rq-relaunch-record.txt");
    DeleteFileW(record.c_str());
    SetEnvironmentVariableW(RecordVariable, record.c_str());

    const std::vector<std::wstring> passed{L"--elevated", L"--dir=\"C:\\Program Files\\Rq\\\"", L"two words\\",
                                           L"--components=a,b"};
    std::vector<std::wstring> arguments{L"--gtest_filter=" + Text::FromUtf8(ChildTest),
                                        L"--gtest_also_run_disabled_tests"};
    arguments.insert(arguments.end(), passed.begin(), passed.end());
    std::optional<Elevation::ElevatedProcess> process = Elevation::RelaunchElevated(arguments);
    SetEnvironmentVariableW(RecordVariable, nullptr);
    ASSERT_TRUE(process.has_value());
    ASSERT_TRUE(process->WaitForExit(std::chrono::seconds(60)));
    EXPECT_EQ(process->ExitCode(), 37u);
    EXPECT_EQ(process->WaitForExit(), 37u);

    std::wifstream in(record.c_str());
    std::wstring commandLine;
    std::wstring folder;
    std::getline(in, commandLine);
    std::getline(in, folder);
    in.close();
    DeleteFileW(record.c_str());

    std::vector<std::wstring> received = Split(commandLine);
    ASSERT_EQ(received.size(), passed.size() + 3) << commandLine;
    EXPECT_EQ(std::vector<std::wstring>(received.begin() + 3, received.end()),
              (std::vector<std::wstring>{L"--elevated", L"--dir=C:\\Program Files\\Rq\\", L"two words\\",
                                         L"--components=a,b"}));
    EXPECT_TRUE(Text::EqualsIgnoreCase(Path::TrimEndingSeparators(folder), ExecutableDirectory())) << folder;
}

TEST(ElevationWin32Test, RelaunchWithoutAStartableProgramGivesNothing) {
    for (const std::wstring path : {L"", L"C:\\RqMissing\\not-there.exe"}) {
        FakeHost host(path);
        ScopedHost scope(host);
        EXPECT_FALSE(Elevation::RelaunchElevated(std::vector<std::wstring>{L"--elevated"}).has_value()) << path;
    }
}

// Run only as the relaunched copy: records the command line and working folder it was given.
TEST(ElevationRelaunchChild, DISABLED_RecordsItsCommandLine) {
    wchar_t record[MAX_PATH] = {};
    if (GetEnvironmentVariableW(RecordVariable, record, MAX_PATH) == 0) GTEST_SKIP();
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    {
        std::wofstream out(record);
        out << GetCommandLineW() << L'\n' << folder << L'\n';
    }
    ExitProcess(37);
}

}  // namespace
}  // namespace Ravenquill::Core
