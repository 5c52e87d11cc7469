// The built installer as administrators and scripts run it: a separate process started from a
// setup folder, with its exit code, its standard output and error, and what it leaves on the
// machine. Two programs are under test: the one with an embedded package, manifest and logo, and
// the plain one that finds its payload and manifest beside itself.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "app/installer/installed_product_win32.h"
#include "app/installer/installer_process_win32.h"
#include "app/installer/scoped_drive_win32.h"
#include "app/program.h"
#include "core/common/text.h"
#include "core/engine/install_test_support.h"
#include "core/engine/support/host_socket_win32.h"
#include "core/engine/support/uninstall_timeout_support.h"
#include "ui/png.h"

namespace Ravenquill::Core::Testing {
namespace {

using Args = std::vector<std::wstring>;

const std::string Bom = "\xEF\xBB\xBF";

fs::path PlainProgram() { return FromEnvironment("RQ_INSTALLER_PLAIN"); }
fs::path EmbeddedProgram() { return FromEnvironment("RQ_INSTALLER_EMBEDDED"); }
fs::path Fixtures() { return FromEnvironment("RQ_INSTALLER_FIXTURES"); }
fs::path TestPayload() { return FromEnvironment("RQ_TEST_DATA") / "app" / "payload"; }

bool WaitUntilGone(const fs::path& path) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (fs::exists(path) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return !fs::exists(path);
}

// The files below a folder, without the ones every installation adds.
std::vector<std::wstring> PayloadFiles(const fs::path& root) {
    std::vector<std::wstring> files;
    for (const auto& [path, content] : Tree(root)) {
        if (content == "<dir>" || path == L"uninstall.exe" || path == L"installer.json" ||
            path.starts_with(L".ravenquill"))
            continue;
        files.push_back(path);
    }
    return files;
}

const std::vector<std::wstring> DefaultSelection = {L"app\\core.txt", L"app\\rqtest.cmd", L"docs\\guide.txt",
                                                    L"notes.txt"};

// A setup folder for one test, with the test payload's product (the one the embedded manifest
// describes) and what that product may leave on the machine taken away before and after.
class InstallerTest : public testing::Test {
protected:
    InstallerTest() : sandbox_(TestName()) {
        InstallManifest& manifest = sandbox_.Manifest();
        manifest.ProductId = L"RQInstallerTest";
        manifest.ProductName = L"RQ Installer Test";
        manifest.StartMenuFolder = L"RQ Installer Test";
    }

    void SetUp() override {
        ProvideTimeout();
        Forget();
        // The folders above the target exist already: an uninstall never takes those.
        fs::create_directories(sandbox_.Target().parent_path());
    }
    void TearDown() override { Forget(); }

    // The setup folder's program, copied there from the build.
    fs::path Place(const fs::path& built) const {
        const fs::path setup = sandbox_.Setup() / "setup.exe";
        fs::copy_file(built, setup, fs::copy_options::overwrite_existing);
        return setup;
    }
    fs::path PlacePlainWithSideManifest() const {
        fs::copy_file(FromEnvironment("RQ_TEST_DATA") / "app" / "installer.json", sandbox_.Setup() / "installer.json",
                      fs::copy_options::overwrite_existing);
        return Place(PlainProgram());
    }

    fs::path Target() const { return sandbox_.Target(); }
    std::wstring DirArgument(const fs::path& target) const { return L"--dir=" + target.wstring(); }
    fs::path LogPath() const { return fs::temp_directory_path() / L"Ravenquill-RQInstallerTest.log"; }
    // The silent run's last log line, without its line end.
    std::string LastLogLine() const {
        std::string log = ReadText(LogPath());
        EXPECT_TRUE(log.ends_with("\r\n")) << log;
        if (log.ends_with("\r\n")) log.resize(log.size() - 2);
        const std::size_t before = log.rfind("\r\n");
        return before == std::string::npos ? log : log.substr(before + 2);
    }
    fs::path UserData() const { return KnownFolderDir(FileSystem::KnownFolder::RoamingAppData) / L"RQ Installer Test"; }
    bool StartMenuLink(const std::wstring& name) const { return fs::exists(sandbox_.StartMenuFolder() / name); }

    // Removes an installation through its own copy, as the list of installed programs does.
    void UninstallThroughInstalledCopy(const fs::path& target, const Args& extra = {}) const {
        Args arguments{L"--uninstall", L"--silent"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        const Finished uninstalled = RunProgram(target / "uninstall.exe", arguments);
        EXPECT_EQ(uninstalled.ExitCode, 0u) << uninstalled.Err;
    }

    void Forget() const {
        std::error_code ignored;
        fs::remove(LogPath(), ignored);
        fs::remove_all(UserData(), ignored);
        fs::remove(sandbox_.DesktopLink(), ignored);
        fs::remove_all(sandbox_.StartMenuFolder(), ignored);
        ForgetEntries();
    }

    InstallSandbox sandbox_;
};

TEST_F(InstallerTest, EmbeddedInstallerInstallsAndItsInstalledCopyTakesEverythingAway) {
    const fs::path setup = Place(EmbeddedProgram());
    // The empty side folder "payload" of the sandbox is not looked at: the embedded package wins.
    const MachineState before = sandbox_.Snapshot();

    const Finished installed = RunProgram(setup, {L"/S", DirArgument(Target()), L"--per-user", L"--add-to-path"});
    ASSERT_EQ(installed.ExitCode, 0u) << installed.Err;
    EXPECT_EQ(installed.Err, "");
    EXPECT_EQ(PayloadFiles(Target()), DefaultSelection);
    EXPECT_EQ(ReadText(Target() / "app" / "core.txt"), ReadText(TestPayload() / "app" / "core.txt"));
    EXPECT_TRUE(fs::exists(Target() / "uninstall.exe"));
    EXPECT_TRUE(fs::exists(Target() / ".ravenquill" / "record.json"));
    EXPECT_FALSE(fs::exists(Target() / "installer.json")) << "no manifest lay beside the installer";

    const MachineState state = sandbox_.Snapshot();
    EXPECT_TRUE(state.DesktopLink);
    EXPECT_TRUE(StartMenuLink(L"RQ Installer Test.lnk"));
    EXPECT_TRUE(StartMenuLink(L"Удалить RQ Installer Test.lnk"));
    ASSERT_TRUE(state.Entry) << "the embedded manifest's product id names the uninstall entry";
    ASSERT_TRUE(state.Path);
    EXPECT_NE(state.Path->find(Target().wstring()), std::wstring::npos);
    const std::string log = ReadText(LogPath());
    EXPECT_EQ(log.rfind(Bom + "--- ", 0), 0u) << log;

    UninstallThroughInstalledCopy(Target());
    EXPECT_TRUE(WaitUntilGone(Target())) << "the uninstaller's self-deletion leaves no folder";
    EXPECT_EQ(sandbox_.Snapshot(), before);
}

TEST_F(InstallerTest, PlainProgramInstallsFromEachKindOfSideSource) {
    struct Case {
        const char* Name;
        void (*Provide)(const fs::path& setup);
    };
    const Case cases[] = {
        {"package", [](const fs::path& setup) { fs::copy_file(Fixtures() / "payload.rqpk", setup / "payload.rqpk"); }},
        {"zip", [](const fs::path& setup) { fs::copy_file(Fixtures() / "payload.zip", setup / "payload.zip"); }},
        {"folder",
         [](const fs::path& setup) { fs::copy(TestPayload(), setup / "payload", fs::copy_options::recursive); }},
    };
    const fs::path setup = PlacePlainWithSideManifest();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        std::error_code ignored;
        fs::remove_all(sandbox_.Payload(), ignored);
        fs::remove(sandbox_.Setup() / "payload.rqpk", ignored);
        fs::remove(sandbox_.Setup() / "payload.zip", ignored);
        c.Provide(sandbox_.Setup());
        const fs::path target = Target() / c.Name;

        const Finished installed = RunProgram(setup, {L"/S", DirArgument(target), L"--per-user", L"--no-shortcuts"});
        ASSERT_EQ(installed.ExitCode, 0u) << installed.Err;
        EXPECT_EQ(PayloadFiles(target), DefaultSelection);
        EXPECT_EQ(ReadText(target / "docs" / "guide.txt"), ReadText(TestPayload() / "docs" / "guide.txt"));
        EXPECT_EQ(ReadText(target / "installer.json"), ReadText(sandbox_.Setup() / "installer.json"))
            << "the side manifest travels with the installation";

        UninstallThroughInstalledCopy(target);
        EXPECT_TRUE(WaitUntilGone(target));
    }
}

TEST_F(InstallerTest, ComponentShortcutAndPathSwitches) {
    struct Case {
        Args Switches;
        std::vector<std::wstring> Files;
        bool Desktop;
        bool StartMenu;
        bool Path;
    };
    const std::vector<Case> cases = {
        {{L"--components=extras"},
         {L"app\\core.txt", L"app\\rqtest.cmd", L"extras\\sample.txt", L"notes.txt"},
         true,
         true,
         false},
        {{L"--components=docs,extras", L"--no-shortcuts"},
         {L"app\\core.txt", L"app\\rqtest.cmd", L"docs\\guide.txt", L"extras\\sample.txt", L"notes.txt"},
         false,
         false,
         false},
        {{L"--shortcuts=desktop"}, DefaultSelection, true, false, false},
        {{L"--shortcuts=startmenu", L"--add-to-path"}, DefaultSelection, false, true, true},
    };
    const fs::path setup = Place(EmbeddedProgram());
    int number = 0;
    for (const Case& c : cases) {
        const fs::path target = Target() / std::to_wstring(++number);
        SCOPED_TRACE(target.string());
        Args arguments{L"/S", DirArgument(target), L"--per-user"};
        arguments.insert(arguments.end(), c.Switches.begin(), c.Switches.end());

        const Finished installed = RunProgram(setup, arguments);
        ASSERT_EQ(installed.ExitCode, 0u) << installed.Err;
        EXPECT_EQ(PayloadFiles(target), c.Files);
        EXPECT_EQ(fs::exists(sandbox_.DesktopLink()), c.Desktop);
        EXPECT_EQ(StartMenuLink(L"RQ Installer Test.lnk"), c.StartMenu);
        EXPECT_EQ(StartMenuLink(L"Удалить RQ Installer Test.lnk"), c.StartMenu);
        const std::optional<std::wstring> path = UserPath();
        EXPECT_EQ(path && path->find(target.wstring()) != std::wstring::npos, c.Path);

        UninstallThroughInstalledCopy(target);
        EXPECT_FALSE(fs::exists(sandbox_.DesktopLink()));
        EXPECT_FALSE(fs::exists(sandbox_.StartMenuFolder()));
        const std::optional<std::wstring> after = UserPath();
        EXPECT_FALSE(after && after->find(target.wstring()) != std::wstring::npos);
        EXPECT_TRUE(WaitUntilGone(target));
    }
}

// The pixels of the options page's directory box, as the screenshot mode draws the wizard that the
// arguments make (the free space beside it changes with the disk; the box does not).
std::vector<std::uint32_t> OptionsDirectoryBox(const fs::path& setup, const std::wstring& dirArgument) {
    const fs::path out = fs::temp_directory_path() / ("RqOptionsBox-" + TestName());
    std::error_code ignored;
    fs::remove_all(out, ignored);
    Args arguments{L"--self-test=" + out.wstring()};
    if (!dirArgument.empty()) arguments.push_back(dirArgument);
    EXPECT_EQ(RunProgram(setup, arguments).ExitCode, 0u);
    const std::string bytes = ReadText(out / "2-options-dark.png");
    fs::remove_all(out, ignored);
    const std::optional<Ui::PngImage> image = Ui::Png::Decode(std::as_bytes(std::span(bytes.data(), bytes.size())));
    EXPECT_TRUE(image.has_value());
    std::vector<std::uint32_t> box;
    if (!image) return box;
    for (int y = 160; y < 195; ++y)
        for (int x = 330; x < 750; ++x) {
            const std::uint8_t* p = &image->Pixels[(static_cast<std::size_t>(y) * image->Width + x) * 4];
            box.push_back(static_cast<std::uint32_t>(p[3]) << 24 | static_cast<std::uint32_t>(p[2]) << 16 |
                          static_cast<std::uint32_t>(p[1]) << 8 | p[0]);
        }
    return box;
}

// Installed into a folder of one's own, the product's installer run again without a folder
// updates that installation; one given a folder installs there.
TEST_F(InstallerTest, AnUpdateWithoutAFolderGoesWhereTheEarlierInstallationIs) {
    const fs::path setup = Place(EmbeddedProgram());
    const fs::path custom = Target() / "Custom Place";
    const fs::path other = Target() / "Other";
    std::error_code ignored;
    for (const bool perMachine : {false, true}) fs::remove_all(DefaultFolder(perMachine), ignored);

    ASSERT_EQ(RunProgram(setup, {L"/S", L"/D=" + custom.wstring(), L"--per-user", L"--no-shortcuts"}).ExitCode, 0u);
    WriteText(custom / "app" / "core.txt", "changed by hand");
    fs::remove(LogPath(), ignored);

    // The wizard starts from that folder too: its options page shows it as if it had been given.
    const std::vector<std::uint32_t> found = OptionsDirectoryBox(setup, L"");
    EXPECT_EQ(found, OptionsDirectoryBox(setup, L"--dir=" + custom.wstring()));
    EXPECT_NE(found, OptionsDirectoryBox(setup, L"--dir=" + DefaultFolder(false).wstring()));

    const Finished updated = RunProgram(setup, {L"/S"});
    ASSERT_EQ(updated.ExitCode, 0u) << updated.Err;
    EXPECT_EQ(ReadText(custom / "app" / "core.txt"), ReadText(TestPayload() / "app" / "core.txt"));
    for (const bool perMachine : {false, true})
        EXPECT_FALSE(fs::exists(DefaultFolder(perMachine))) << DefaultFolder(perMachine) << ": a second installation";
    EXPECT_EQ(EntryLocation(), custom.wstring());
    EXPECT_NE(ReadText(LogPath()).find(Text::ToUtf8(L"Найдена установленная версия 2.5.1 в " + custom.wstring())),
              std::string::npos)
        << ReadText(LogPath());

    const Finished elsewhere = RunProgram(setup, {L"/S", L"/D=" + other.wstring(), L"--no-shortcuts"});
    ASSERT_EQ(elsewhere.ExitCode, 0u) << elsewhere.Err;
    EXPECT_EQ(PayloadFiles(other), DefaultSelection);
    EXPECT_EQ(EntryLocation(), other.wstring());

    UninstallThroughInstalledCopy(other);
    UninstallThroughInstalledCopy(custom);
    EXPECT_TRUE(WaitUntilGone(other));
    // The update kept the earlier uninstaller as "uninstall.exe.old"; the uninstall takes it too, so
    // the self-deletion leaves no folder behind.
    EXPECT_TRUE(WaitUntilGone(custom));
    fs::remove_all(custom, ignored);
    for (const bool perMachine : {false, true}) fs::remove_all(DefaultFolder(perMachine), ignored);
}

// Both default folders gone before and after a test that may install into one.
class DefaultFoldersGone {
public:
    DefaultFoldersGone() { Clear(); }
    ~DefaultFoldersGone() { Clear(); }
    DefaultFoldersGone(const DefaultFoldersGone&) = delete;
    DefaultFoldersGone& operator=(const DefaultFoldersGone&) = delete;

private:
    static void Clear() {
        std::error_code ignored;
        for (const bool perMachine : {false, true}) fs::remove_all(DefaultFolder(perMachine), ignored);
    }
};

// One installation for all users and one for the user: each scope's update replaces its own.
TEST_F(InstallerTest, AnUpdateForTheUserReplacesTheUsersInstallationAndLeavesTheMachinesAlone) {
    const DefaultFoldersGone defaults;
    const fs::path setup = Place(EmbeddedProgram());
    const fs::path machine = Target() / "E1";
    const fs::path user = Target() / "E2";
    ASSERT_EQ(RunProgram(setup, {L"/S", L"/D=" + machine.wstring(), L"--per-machine", L"--no-shortcuts"}).ExitCode, 0u);
    ASSERT_EQ(RunProgram(setup, {L"/S", L"/D=" + user.wstring(), L"--per-user", L"--no-shortcuts"}).ExitCode, 0u);
    WriteText(machine / "app" / "core.txt", "the machine's, changed by hand");
    WriteText(user / "app" / "core.txt", "the user's, changed by hand");

    const Finished updated = RunProgram(setup, {L"/S", L"--per-user"});
    ASSERT_EQ(updated.ExitCode, 0u) << updated.Err;
    EXPECT_EQ(ReadText(user / "app" / "core.txt"), ReadText(TestPayload() / "app" / "core.txt"));
    EXPECT_FALSE(fs::exists(DefaultFolder(false))) << "a second installation for the user";
    EXPECT_EQ(EntryLocation(false), user.wstring());
    EXPECT_EQ(ReadText(machine / "app" / "core.txt"), "the machine's, changed by hand");
    EXPECT_EQ(EntryLocation(true), machine.wstring());

    UninstallThroughInstalledCopy(user);
    UninstallThroughInstalledCopy(machine);
    EXPECT_TRUE(WaitUntilGone(user));
    EXPECT_TRUE(WaitUntilGone(machine));
    EXPECT_FALSE(EntryLocation(true));
}

// Installed with an optional component, without shortcuts and with PATH, the installation is
// updated with the same choices when the command line names none.
TEST_F(InstallerTest, AnUpdateKeepsTheComponentsShortcutsAndPathChosenBefore) {
    const fs::path setup = Place(EmbeddedProgram());
    ASSERT_EQ(RunProgram(setup, {L"/S", DirArgument(Target()), L"--per-user", L"--components=extras", L"--no-shortcuts",
                                 L"--add-to-path"})
                  .ExitCode,
              0u);
    WriteText(Target() / "extras" / "sample.txt", "the earlier version");

    const Finished updated = RunProgram(setup, {L"/S"});
    ASSERT_EQ(updated.ExitCode, 0u) << updated.Err;
    EXPECT_FALSE(fs::exists(Target() / "docs")) << "left out before";
    EXPECT_EQ(ReadText(Target() / "extras" / "sample.txt"), ReadText(TestPayload() / "extras" / "sample.txt"))
        << "the component is updated too, not left at its earlier version";
    EXPECT_FALSE(sandbox_.Snapshot().DesktopLink);
    EXPECT_FALSE(fs::exists(sandbox_.StartMenuFolder()));
    EXPECT_TRUE(PathHolds(UserPath(), Target()));
    const std::string record = ReadText(Target() / ".ravenquill" / "record.json");
    EXPECT_NE(record.find("\"pathEntryAdded\": true"), std::string::npos) << record;

    UninstallThroughInstalledCopy(Target());
    EXPECT_TRUE(WaitUntilGone(Target()));
    EXPECT_FALSE(PathHolds(UserPath(), Target()));
}

// A version that brings a component the earlier one did not have: the update installs it as the
// manifest's default says, while a component declined before stays out.
TEST_F(InstallerTest, AnUpdateTakesTheDefaultOfAComponentTheEarlierVersionLacked) {
    const std::string head = R"({
  "productName": "RQ Installer Test",
  "version": "2.5.1",
  "publisher": "Ravenquill Tests",
  "productId": "RQInstallerTest",
  "mainExecutable": "app\\rqtest.cmd",
  "preferPerMachine": false,
  "components": [
    {"id": "core", "name": "Программа", "pathPrefix": "app", "required": true},
    {"id": "docs", "name": "Документация", "pathPrefix": "docs"})";
    const fs::path setup = Place(PlainProgram());
    fs::copy(TestPayload(), sandbox_.Payload(), fs::copy_options::recursive);
    // The earlier version has no "extras": its files belong to no component, so they are installed.
    WriteText(sandbox_.Setup() / "installer.json", head + "\n  ]\n}\n");
    ASSERT_EQ(
        RunProgram(setup, {L"/S", DirArgument(Target()), L"--per-user", L"--components=", L"--no-shortcuts"}).ExitCode,
        0u);
    ASSERT_FALSE(fs::exists(Target() / "docs")) << "declined";
    WriteText(Target() / "extras" / "sample.txt", "the earlier version");

    WriteText(sandbox_.Setup() / "installer.json",
              head + ",\n    {\"id\": \"extras\", \"name\": \"Дополнения\", \"pathPrefix\": \"extras\"}\n  ]\n}\n");
    const Finished updated = RunProgram(setup, {L"/S"});
    ASSERT_EQ(updated.ExitCode, 0u) << updated.Err;
    EXPECT_EQ(ReadText(Target() / "extras" / "sample.txt"), ReadText(TestPayload() / "extras" / "sample.txt"))
        << "the new component is installed, as it is selected by default";
    EXPECT_FALSE(fs::exists(Target() / "docs")) << "declined before, and not new";
    const std::optional<InstallRecord> record = InstallRecord::Load(Target().wstring());
    ASSERT_TRUE(record);
    EXPECT_EQ(record->Components, (std::vector<std::wstring>{L"core", L"extras"}));
    EXPECT_EQ(record->OfferedComponents, (std::vector<std::wstring>{L"core", L"docs", L"extras"}));

    UninstallThroughInstalledCopy(Target());
    EXPECT_TRUE(WaitUntilGone(Target()));
}

// The record lies in the user's own folder: one edited to say "for all users" makes no
// machine-wide entry, PATH entry or uninstaller of the user's installation.
TEST_F(InstallerTest, ARecordEditedToAllUsersMakesNoMachineWideInstallation) {
    const fs::path setup = Place(EmbeddedProgram());
    ASSERT_EQ(RunProgram(setup, {L"/S", DirArgument(Target()), L"--per-user", L"--no-shortcuts"}).ExitCode, 0u);
    const fs::path recordPath = Target() / ".ravenquill" / "record.json";
    std::string record = ReadText(recordPath);
    const std::string perUser = "\"perMachine\": false";
    ASSERT_NE(record.find(perUser), std::string::npos) << record;
    record.replace(record.find(perUser), perUser.size(), "\"perMachine\": true");
    WriteText(recordPath, record);

    const Finished updated = RunProgram(setup, {L"/S", L"--add-to-path", L"--no-shortcuts"});
    EXPECT_EQ(updated.ExitCode, 0u) << updated.Err;
    EXPECT_FALSE(EntryLocation(true)) << "a machine-wide entry for the user's installation";
    EXPECT_FALSE(PathHolds(PathOf(HKEY_LOCAL_MACHINE), Target())) << "the machine's PATH";
    EXPECT_EQ(EntryLocation(false), Target().wstring());
    EXPECT_TRUE(PathHolds(UserPath(), Target()));
    EXPECT_NE(ReadText(recordPath).find(perUser), std::string::npos) << "the record tells the truth again";

    UninstallThroughInstalledCopy(Target());
    EXPECT_TRUE(WaitUntilGone(Target()));
    // Whatever a failure left behind.
    PathVariable::Remove(Target().wstring(), true);
}

// An entry whose folder lay on a drive that is gone (a removed disk) is no folder to update: the
// update installs into the scope's default folder instead of failing until a folder is given.
TEST_F(InstallerTest, AnInstallationOnADriveThatIsGoneLeavesTheUpdateToTheDefaultFolder) {
    const DefaultFoldersGone defaults;
    const fs::path setup = Place(EmbeddedProgram());
    ScopedDrive drive(sandbox_.Root() / "removable");
    ASSERT_NE(drive.Letter(), 0) << "no drive letter could be mapped";
    const fs::path onDrive = drive.Root() / "RQ";
    ASSERT_EQ(RunProgram(setup, {L"/S", L"/D=" + onDrive.wstring(), L"--per-user", L"--no-shortcuts"}).ExitCode, 0u);
    ASSERT_EQ(EntryLocation(false), onDrive.wstring());
    drive.Remove();

    const Finished updated = RunProgram(setup, {L"/S", L"--no-shortcuts"});
    ASSERT_EQ(updated.ExitCode, 0u) << updated.Err << ReadText(LogPath());
    EXPECT_EQ(PayloadFiles(DefaultFolder(false)), DefaultSelection);
    EXPECT_EQ(EntryLocation(false), DefaultFolder(false).wstring());

    UninstallThroughInstalledCopy(DefaultFolder(false));
    EXPECT_TRUE(WaitUntilGone(DefaultFolder(false)));
}

// The environment variable's value for as long as the object lives.
class ScopedVariable {
public:
    ScopedVariable(const wchar_t* name, const std::wstring& value) : name_(name) {
        wchar_t old[2048];
        const DWORD n = GetEnvironmentVariableW(name, old, 2048);
        if (n > 0 && n < 2048) old_ = std::wstring(old, n);
        SetEnvironmentVariableW(name, value.c_str());
    }
    ~ScopedVariable() { SetEnvironmentVariableW(name_, old_ ? old_->c_str() : nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const wchar_t* name_;
    std::optional<std::wstring> old_;
};

// A log file that cannot be opened for a reason no file error names still costs only the log. Wine
// gives such a reason for a socket of the host system at the log's name (ERROR_NO_SUCH_DEVICE).
TEST_F(InstallerTest, ALogThatCannotBeOpenedForAnUnnamedReasonCostsOnlyTheLog) {
    const fs::path temp = sandbox_.Root() / "temp";
    fs::create_directories(temp);
    if (!MakeHostSocket(temp / "Ravenquill-RQInstallerTest.log")) GTEST_SKIP() << "no host socket could be made";
    const fs::path setup = Place(EmbeddedProgram());
    Finished installed;
    {
        ScopedVariable tmp(L"TMP", temp.wstring() + L"\\");
        ScopedVariable tempVariable(L"TEMP", temp.wstring() + L"\\");
        installed = RunProgram(setup, {L"/S", DirArgument(Target()), L"--per-user", L"--no-shortcuts"});
    }
    RemoveHostSocket(temp / "Ravenquill-RQInstallerTest.log");
    EXPECT_EQ(installed.ExitCode, 0u) << installed.Err;
    EXPECT_EQ(installed.Err, "");
    EXPECT_EQ(PayloadFiles(Target()), DefaultSelection);
    UninstallThroughInstalledCopy(Target());
    EXPECT_TRUE(WaitUntilGone(Target()));
}

// A product id that is no file name would put the log elsewhere ("a/../../evil" beside the user's
// folders); it is refused before anything is written, in a log that stays in the temporary folder.
TEST_F(InstallerTest, AProductIdThatIsNoFileNameIsRefusedAndLoggedInTheTemporaryFolder) {
    const fs::path setup = PlacePlainWithSideManifest();
    std::string manifest = ReadText(sandbox_.Setup() / "installer.json");
    const std::string id = "\"productId\": \"RQInstallerTest\"";
    ASSERT_NE(manifest.find(id), std::string::npos);
    manifest.replace(manifest.find(id), id.size(), "\"productId\": \"a/../../evil\"");
    WriteText(sandbox_.Setup() / "installer.json", manifest);
    fs::copy(TestPayload(), sandbox_.Payload(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    const fs::path temp = fs::temp_directory_path();
    const fs::path log = temp / "Ravenquill-a_.._.._evil.log";
    const fs::path outside = fs::weakly_canonical(temp / ".." / "evil.log");
    std::error_code ignored;
    fs::remove(log, ignored);
    fs::remove(outside, ignored);
    const MachineState before = sandbox_.Snapshot();

    const Finished finished = RunProgram(setup, {L"/S", DirArgument(Target()), L"--per-user"});
    EXPECT_EQ(finished.ExitCode, 1u);
    EXPECT_FALSE(fs::exists(outside)) << outside;
    EXPECT_FALSE(fs::exists(Target()));
    EXPECT_EQ(sandbox_.Snapshot(), before);
    const std::string text = ReadText(log);
    EXPECT_NE(text.find(Text::ToUtf8(L"ОШИБКА: Идентификатор продукта «a/../../evil» не может служить именем файла")),
              std::string::npos)
        << text;
    fs::remove(log, ignored);
}

// A product id that the log file's name or the uninstall key cannot hold is refused at the start,
// like any other unusable id, and the refusal reaches a log in the temporary folder; an id's
// control characters are written there escaped, so its line stays one line.
TEST_F(InstallerTest, AProductIdTooLongOrWithControlCharactersIsRefusedAndLoggedOnOneLine) {
    struct Case {
        const char* Name;
        std::string JsonId;    // as the manifest writes it
        std::wstring LogName;  // in the temporary folder
        std::wstring Quoted;   // as the refusal quotes it
    };
    const Case cases[] = {
        {"too long for the log's name", std::string(250, 'q'), L"Ravenquill-" + std::wstring(240, L'q') + L".log",
         std::wstring(250, L'q')},
        {"too long for the uninstall key", std::string(300, 'q'), L"Ravenquill-" + std::wstring(240, L'q') + L".log",
         std::wstring(300, L'q')},
        {"a line break", "Rq\\nTest", L"Ravenquill-Rq_Test.log", L"Rq\\u000ATest"},
    };
    const fs::path setup = PlacePlainWithSideManifest();
    const std::string manifest = ReadText(sandbox_.Setup() / "installer.json");
    const std::string id = "\"productId\": \"RQInstallerTest\"";
    ASSERT_NE(manifest.find(id), std::string::npos);
    fs::copy(TestPayload(), sandbox_.Payload(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        std::string changed = manifest;
        changed.replace(changed.find(id), id.size(), "\"productId\": \"" + c.JsonId + "\"");
        WriteText(sandbox_.Setup() / "installer.json", changed);
        const fs::path log = fs::temp_directory_path() / c.LogName;
        std::error_code ignored;
        fs::remove(log, ignored);
        const MachineState before = sandbox_.Snapshot();

        const Finished finished = RunProgram(setup, {L"/S", DirArgument(Target()), L"--per-user"});
        EXPECT_EQ(finished.ExitCode, 1u);
        EXPECT_FALSE(fs::exists(Target()));
        EXPECT_EQ(sandbox_.Snapshot(), before);
        const std::string text = ReadText(log);
        EXPECT_NE(text.find(Text::ToUtf8(L"\r\nОШИБКА: Идентификатор продукта «" + c.Quoted +
                                         L"» не может служить именем файла")),
                  std::string::npos)
            << text;
        fs::remove(log, ignored);
    }
}

// Installing over another program's "uninstall.exe" keeps it as "uninstall.exe.old". It stays that
// program's: neither an update of this product nor its removal takes it away.
TEST_F(InstallerTest, AnotherProgramsUninstallerKeptOnAFirstInstallOutlivesUpdatesAndTheUninstall) {
    const fs::path setup = Place(EmbeddedProgram());
    const std::string foreign = "another program's uninstaller";
    for (const int updates : {0, 1}) {
        SCOPED_TRACE(updates == 0 ? "installed" : "installed and updated");
        const fs::path target = Target() / (updates == 0 ? "installed" : "updated");
        WriteText(target / "uninstall.exe", foreign);
        for (int run = 0; run <= updates; ++run)
            ASSERT_EQ(RunProgram(setup, {L"/S", DirArgument(target), L"--per-user", L"--no-shortcuts"}).ExitCode, 0u);
        EXPECT_EQ(ReadText(target / "uninstall.exe.old"), foreign);

        UninstallThroughInstalledCopy(target);
        EXPECT_TRUE(WaitUntilGone(target / "uninstall.exe"));
        // The self-deletion's "rmdir" then leaves the folder that still holds it.
        std::this_thread::sleep_for(std::chrono::seconds(1));
        EXPECT_EQ(Tree(target), (std::map<std::wstring, std::string>{{L"uninstall.exe.old", foreign}}));
    }
}

// Only a missing record means that nothing is installed: one that is there but cannot be read
// (another program holds it open, or the system refuses it for a reason no file error names)
// fails the uninstall with exit code 1 and its reason in the log, and nothing is removed.
TEST_F(InstallerTest, ARecordThatIsThereButCannotBeReadFailsTheUninstallAndRemovesNothing) {
    const fs::path setup = Place(EmbeddedProgram());
    ASSERT_EQ(RunProgram(setup, {L"/S", DirArgument(Target()), L"--per-user"}).ExitCode, 0u);
    const fs::path record = Target() / ".ravenquill" / "record.json";
    const std::string recorded = ReadText(record);
    const MachineState before = sandbox_.Snapshot();
    struct Case {
        const char* Name;
        // Makes the record unreadable; gives what makes it readable again, or nothing when it cannot.
        std::function<void()> (*Spoil)(const fs::path& record);
    };
    const Case cases[] = {
        {"held open by another program",
         [](const fs::path& path) -> std::function<void()> {
             auto held = std::make_shared<HeldFile>(path);
             if (!held->Held()) return {};
             return [held]() mutable { held.reset(); };
         }},
        {"refused for an unnamed reason",
         [](const fs::path& path) -> std::function<void()> {
             const std::string bytes = ReadText(path);
             fs::remove(path);
             if (!MakeHostSocket(path)) {
                 WriteText(path, bytes);
                 return {};
             }
             return [path, bytes] {
                 RemoveHostSocket(path);
                 WriteText(path, bytes);
             };
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        std::error_code ignored;
        fs::remove(LogPath(), ignored);
        const std::function<void()> undo = c.Spoil(record);
        if (!undo) {
            ADD_FAILURE() << "the record could not be made unreadable";
            continue;
        }
        const Finished finished = RunProgram(Target() / "uninstall.exe", {L"--uninstall", L"--silent"});
        undo();
        EXPECT_EQ(finished.ExitCode, 1u);
        const std::string log = ReadText(LogPath());
        EXPECT_NE(log.find(Text::ToUtf8(
                      L"\r\nОШИБКА: Не удалось прочитать сведения об установке, поэтому ничего не удалено: ")),
                  std::string::npos)
            << log;
        EXPECT_EQ(log.find(Text::ToUtf8(L"нечего удалять")), std::string::npos) << log;
        EXPECT_EQ(ReadText(record), recorded);
        std::this_thread::sleep_for(std::chrono::seconds(3));  // no self-deletion may follow
        EXPECT_EQ(sandbox_.Snapshot(), before) << "nothing was removed";
    }
}

// The folder for all users is "Program Files\<publisher>\<product>" by default: the publisher's
// folder the installation made goes with it once it is empty, and stays while it holds another
// product's folder.
TEST_F(InstallerTest, APublishersFolderTheInstallationMadeGoesWithItWhenEmpty) {
    const fs::path setup = Place(EmbeddedProgram());
    const fs::path folder = DefaultFolder(true);
    const fs::path publisher = folder.parent_path();
    std::error_code ignored;
    for (const bool otherProduct : {false, true}) {
        SCOPED_TRACE(otherProduct ? "another product of the publisher" : "alone");
        fs::remove_all(publisher, ignored);
        ASSERT_EQ(RunProgram(setup, {L"/S", L"--per-machine", L"--no-shortcuts"}).ExitCode, 0u);
        ASSERT_TRUE(fs::exists(folder / "app" / "core.txt"));
        if (otherProduct) WriteText(publisher / "Other Product" / "other.txt", "installed later");

        UninstallThroughInstalledCopy(folder);
        EXPECT_TRUE(WaitUntilGone(folder));
        if (otherProduct) {
            std::this_thread::sleep_for(std::chrono::seconds(1));
            EXPECT_EQ(ReadText(publisher / "Other Product" / "other.txt"), "installed later");
        } else {
            EXPECT_TRUE(WaitUntilGone(publisher));
        }
    }
    fs::remove_all(publisher, ignored);
}

TEST_F(InstallerTest, KeepDataDecidesOverTheUserDataFolder) {
    const fs::path setup = Place(EmbeddedProgram());
    for (const bool keep : {true, false}) {
        SCOPED_TRACE(keep ? "--keep-data" : "without --keep-data");
        const fs::path target = Target() / (keep ? "kept" : "removed");
        ASSERT_EQ(RunProgram(setup, {L"/S", DirArgument(target), L"--per-user", L"--no-shortcuts"}).ExitCode, 0u);
        WriteText(UserData() / "settings.ini", "[window]\r\n");

        UninstallThroughInstalledCopy(target, keep ? Args{L"--keep-data"} : Args{});
        EXPECT_EQ(fs::exists(UserData() / "settings.ini"), keep);
        EXPECT_TRUE(WaitUntilGone(target));
    }
}

TEST_F(InstallerTest, NothingToUninstallEndsWithZeroAndChangesNothing) {
    const fs::path setup = PlacePlainWithSideManifest();
    const MachineState before = sandbox_.Snapshot();
    const Finished finished = RunProgram(setup, {L"--uninstall", L"--silent"});
    EXPECT_EQ(finished.ExitCode, 0u) << finished.Err;
    EXPECT_EQ(sandbox_.Snapshot(), before);
    EXPECT_TRUE(fs::exists(LogPath()));
}

TEST_F(InstallerTest, DamagedPackageEndsWithOneLogsTheReadersMessageAndLeavesNothing) {
    struct Case {
        const char* Name;
        std::string (*Damage)(std::string package);
        const char* LastLine;  // the log's last line, or its beginning when it ends in "..."
    };
    const Case cases[] = {
        {"wrong signature",
         [](std::string package) {
             package[0] = 'X';
             return package;
         },
         "ОШИБКА: Пакет повреждён: неверная сигнатура."},
        {"cut inside its index", [](std::string package) { return package.substr(0, 20); }, "ОШИБКА: ..."},
    };
    const fs::path setup = PlacePlainWithSideManifest();
    const std::string package = ReadText(Fixtures() / "payload.rqpk");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Forget();
        WriteText(sandbox_.Setup() / "payload.rqpk", c.Damage(package));
        const MachineState before = sandbox_.Snapshot();

        const Finished finished = RunProgram(setup, {L"/S", DirArgument(Target()), L"--per-user"});
        EXPECT_EQ(finished.ExitCode, 1u);
        EXPECT_EQ(sandbox_.Snapshot(), before);
        const std::string last = LastLogLine();
        const std::string expected = c.LastLine;
        if (expected.ends_with("..."))
            EXPECT_EQ(last.rfind(expected.substr(0, expected.size() - 3), 0), 0u) << last;
        else
            EXPECT_EQ(last, expected);
    }
}

TEST_F(InstallerTest, ACutZipEndsWithOneAndNamesThePayloadInRussian) {
    const fs::path setup = PlacePlainWithSideManifest();
    const std::string zip = ReadText(Fixtures() / "payload.zip");
    WriteText(sandbox_.Setup() / "payload.zip", zip.substr(0, zip.size() / 2));
    const MachineState before = sandbox_.Snapshot();

    const Finished finished = RunProgram(setup, {L"/S", DirArgument(Target()), L"--per-user"});
    EXPECT_EQ(finished.ExitCode, 1u);
    EXPECT_EQ(sandbox_.Snapshot(), before);
    const std::string last = LastLogLine();
    EXPECT_TRUE(last.starts_with(Text::ToUtf8(L"ОШИБКА: Не удаётся открыть архив «")) &&
                last.ends_with(Text::ToUtf8(L"\\payload.zip»: это не zip-архив, или архив обрезан.")))
        << last;
}

TEST_F(InstallerTest, UsageTextReachesARedirectedStandardOutput) {
    const fs::path setup = PlacePlainWithSideManifest();
    const MachineState before = sandbox_.Snapshot();
    const Finished finished = RunProgram(setup, {L"--help", L"/S", DirArgument(Target())});
    EXPECT_EQ(finished.ExitCode, 0u);
    EXPECT_EQ(finished.Out, Program::UsageBytes());
    EXPECT_EQ(finished.Err, "");
    EXPECT_EQ(sandbox_.Snapshot(), before);
}

TEST_F(InstallerTest, FailureOutsideEveryModeIsOneErrorLineAndExitCodeOne) {
    // A side manifest that cannot be read is no manifest to replace by defaults: the failure
    // leaves the entry routine before any mode runs.
    const fs::path setup = PlacePlainWithSideManifest();
    const fs::path manifest = sandbox_.Setup() / "installer.json";
    const HANDLE locked =
        CreateFileW(manifest.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    const Finished finished = RunProgram(setup, {L"/S", DirArgument(Target()), L"--per-user"});
    CloseHandle(locked);

    EXPECT_EQ(finished.ExitCode, 1u);
    EXPECT_EQ(finished.Err.rfind("Ошибка: ", 0), 0u) << finished.Err;
    EXPECT_GT(finished.Err.size(), std::string("Ошибка: \r\n").size()) << "the failure's own message follows";
    EXPECT_TRUE(finished.Err.ends_with("\r\n"));
    EXPECT_EQ(finished.Err.find('\n'), finished.Err.size() - 1) << "one line";
    EXPECT_FALSE(fs::exists(Target()));
}

// The resources of a built program, read as the loader sees them.
class ProgramResources {
public:
    explicit ProgramResources(const fs::path& program)
        : module_(LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {
        EXPECT_NE(module_, nullptr) << program;
    }
    ~ProgramResources() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    ProgramResources(const ProgramResources&) = delete;
    ProgramResources& operator=(const ProgramResources&) = delete;

    std::optional<std::string> Find(const wchar_t* name, const wchar_t* type) const {
        const HRSRC info = module_ != nullptr ? FindResourceW(module_, name, type) : nullptr;
        if (info == nullptr) return std::nullopt;
        const HGLOBAL loaded = LoadResource(module_, info);
        const char* data = static_cast<const char*>(LockResource(loaded));
        return std::string(data, SizeofResource(module_, info));
    }
    bool Has(const wchar_t* name) const { return Find(name, MAKEINTRESOURCEW(10) /* RT_RCDATA */).has_value(); }

private:
    HMODULE module_;
};

TEST(BuiltPrograms, CarryTheApplicationManifestAndOnlyTheInputsGiven) {
    const ProgramResources plain(PlainProgram());
    const ProgramResources embedded(EmbeddedProgram());
    for (const ProgramResources* program : {&plain, &embedded}) {
        const std::optional<std::string> manifest = program->Find(MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
        ASSERT_TRUE(manifest);
        for (const char* expected : {
                 R"(level="asInvoker" uiAccess="false")",
                 "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
                 "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // Windows 8
                 "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // Windows 8.1
                 "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // Windows 10 and 11
                 ">true/pm</dpiAware>",
                 ">PerMonitorV2</dpiAwareness>",
                 ">true</longPathAware>",
             })
            EXPECT_NE(manifest->find(expected), std::string::npos) << expected;
    }
    for (const wchar_t* name :
         {L"Ravenquill.Payload.rqpk", L"Ravenquill.Payload.zip", L"Ravenquill.Manifest.json", L"Ravenquill.Logo.png"})
        EXPECT_FALSE(plain.Has(name)) << fs::path(name);
    EXPECT_EQ(embedded.Find(L"Ravenquill.Payload.rqpk", MAKEINTRESOURCEW(10)), ReadText(Fixtures() / "payload.rqpk"));
    EXPECT_FALSE(embedded.Has(L"Ravenquill.Payload.zip"));
    EXPECT_EQ(embedded.Find(L"Ravenquill.Manifest.json", MAKEINTRESOURCEW(10)),
              ReadText(FromEnvironment("RQ_TEST_DATA") / "app" / "installer.json"));
    EXPECT_TRUE(embedded.Has(L"Ravenquill.Logo.png"));
}

}  // namespace
}  // namespace Ravenquill::Core::Testing
