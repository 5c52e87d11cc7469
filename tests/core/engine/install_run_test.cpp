// The install run over a machine in memory: what a first installation and an update put in place,
// and that a run stopped at any step (cancelled or failed) leaves the machine exactly as it was.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/common/errors.h"
#include "core/common/path.h"
#include "core/engine/engines/install_engine.h"
#include "core/engine/support/install_fake_machine.h"
#include "core/engine/support/install_stops.h"

namespace Ravenquill::Core {
namespace {

using Testing::FakeInstallMachine;
using Testing::StepCase;
using Testing::Stop;
using State = FakeInstallMachine::State;

constexpr bool Windows = Path::Separator == L'\\';
const std::wstring Root = Windows ? L"C:\\RqFake" : L"/rqfake";
const std::wstring Programs = Path::Combine(Root, L"Programs");
const std::wstring Publisher = Path::Combine(Programs, L"Raven");
const std::wstring InstallDir = Path::Combine(Publisher, L"Quill");
const std::wstring SetupFolder = Path::Combine(Root, L"Setup");
const std::wstring Desktop = Path::Combine(Root, L"Desktop");
const std::wstring Menu = Path::Combine(Root, L"Menu");

std::wstring Installed(const std::wstring& relative) { return Path::Combine(InstallDir, relative); }

std::shared_ptr<InstallManifest> Manifest() {
    auto manifest = std::make_shared<InstallManifest>();
    manifest->ProductName = L"Quill";
    manifest->ProductId = L"RqQuill";
    manifest->Version = L"2.0";
    manifest->Publisher = L"Raven";
    manifest->MainExecutable = L"app.exe";
    return manifest;
}

InstallOptions Options(std::shared_ptr<const InstallManifest> manifest = Manifest()) {
    InstallOptions options;
    options.Manifest = std::move(manifest);
    options.InstallDir = InstallDir;
    options.DesktopShortcut = true;
    options.StartMenuShortcut = true;
    options.AddToPath = true;
    // Long enough that the run waits: the machine's wait returns at once.
    options.MinimumDuration = std::chrono::seconds(1);
    return options;
}

// A machine with its program folders, a setup folder (the program and its side manifest) and the
// payload of version 2.
std::shared_ptr<FakeInstallMachine> NewMachine() {
    auto machine = std::make_shared<FakeInstallMachine>();
    machine->AddFolder(Programs);
    machine->AddFolder(Desktop);
    machine->AddFolder(Menu);
    machine->AddFile(Path::Combine(SetupFolder, L"setup.exe"), "setup program v2");
    machine->AddFile(Path::Combine(SetupFolder, L"installer.json"), "{\"productId\": \"RqQuill\"}");
    machine->Program = Path::Combine(SetupFolder, L"setup.exe");
    machine->KnownFolders = {{FileSystem::KnownFolder::Desktop, Desktop}, {FileSystem::KnownFolder::Programs, Menu}};
    machine->Payload = {{L"app.exe", "app v2"},
                        {L"bin\\core.dll", "core v2"},
                        {L"bin\\plugins\\a.dll", "plugin"},
                        {L"docs\\guide.txt", "guide v2"}};
    return machine;
}

class InstallRunTest : public testing::Test {
protected:
    InstallRunTest() { Listen(engine_); }

    void Listen(InstallEngine& engine) {
        engine.Log.Subscribe([this](InstallEngine&, const std::wstring& line) { log_.push_back(line); });
    }

    // An earlier version in the same folder, as a successful run left it, then changed by its user.
    void InstallEarlierVersion() {
        const auto payload = machine_->Payload;
        machine_->Payload = {{L"app.exe", "app v1"}, {L"bin\\core.dll", "core v1"}, {L"old.txt", "only in v1"}};
        auto manifest = Manifest();
        manifest->Version = L"1.0";
        machine_->AddFile(Path::Combine(SetupFolder, L"setup.exe"), "setup program v1");
        InstallEngine earlier(machine_);
        earlier.Install(Options(manifest));
        machine_->AddFile(Installed(L"app.exe"), "app v1, changed by the user");
        machine_->AddFile(Path::Combine(SetupFolder, L"setup.exe"), "setup program v2");
        machine_->Payload = payload;
    }

    bool Logged(const std::wstring& line) const { return std::find(log_.begin(), log_.end(), line) != log_.end(); }

    std::shared_ptr<FakeInstallMachine> machine_ = NewMachine();
    InstallEngine engine_{machine_};
    std::vector<std::wstring> log_;
};

TEST_F(InstallRunTest, AFirstInstallationPutsEveryPartInPlaceAndKeepsNothingAside) {
    const InstallRecord record = engine_.Install(Options());

    EXPECT_EQ(machine_->Content(Installed(L"app.exe")), "app v2");
    EXPECT_EQ(machine_->Content(Installed(L"bin\\plugins\\a.dll")), "plugin");
    EXPECT_EQ(machine_->Content(Installed(L"uninstall.exe")), "setup program v2");
    EXPECT_EQ(machine_->Content(Installed(L"installer.json")), "{\"productId\": \"RqQuill\"}");
    EXPECT_TRUE(machine_->FileExists(Path::Combine(Desktop, L"Quill.lnk")));
    EXPECT_TRUE(machine_->FileExists(Path::Combine(Menu, L"Quill", L"Удалить Quill.lnk")));
    EXPECT_EQ(machine_->Machine.Path[false], std::vector<std::wstring>{InstallDir});
    EXPECT_TRUE(machine_->Machine.Entries.contains({L"RqQuill", false}));
    EXPECT_EQ(machine_->LoadRecord(InstallDir)->Files, record.Files);

    EXPECT_EQ(record.Files, (std::vector<std::wstring>{L"app.exe", L"bin\\core.dll", L"bin\\plugins\\a.dll",
                                                       L"docs\\guide.txt", L"uninstall.exe", L"installer.json"}));
    EXPECT_EQ(record.Directories.size(), 3u);
    // The publisher's folder was made on the way: the uninstall takes it once it is empty.
    EXPECT_EQ(record.ParentDirectories, std::vector<std::wstring>{FakeInstallMachine::Key(Publisher)});
    EXPECT_EQ(record.Shortcuts.size(), 3u);
    EXPECT_TRUE(record.PathEntryAdded);
    for (const auto& [path, content] : machine_->Machine.Files)
        EXPECT_EQ(path.find(L".rq-aside-"), std::wstring::npos) << Text::ToUtf8(path);
    EXPECT_EQ(machine_->Waits.size(), 1u);
}

TEST_F(InstallRunTest, AnUpdateReplacesTheEarlierFilesKeepsTheEarlierUninstallerAndListsWhatStays) {
    InstallEarlierVersion();
    const InstallRecord record = engine_.Install(Options());
    EXPECT_EQ(machine_->Content(Installed(L"app.exe")), "app v2");
    EXPECT_EQ(machine_->Content(Installed(L"uninstall.exe")), "setup program v2");
    EXPECT_EQ(machine_->Content(Installed(L"uninstall.exe.old")), "setup program v1");
    // Left by the earlier version and replaced by nothing: still listed, so the uninstall takes it.
    EXPECT_EQ(machine_->Content(Installed(L"old.txt")), "only in v1");
    EXPECT_NE(std::find(record.Files.begin(), record.Files.end(), L"old.txt"), record.Files.end());
    EXPECT_EQ(machine_->Machine.Path[false], std::vector<std::wstring>{InstallDir});
    for (const auto& [path, content] : machine_->Machine.Files)
        EXPECT_EQ(path.find(L".rq-aside-"), std::wstring::npos) << Text::ToUtf8(path);
}

TEST_F(InstallRunTest, ARunStoppedAtAnyStepLeavesTheMachineAsItWas) {
    for (const bool update : {false, true}) {
        for (const Stop stop : {Stop::Cancel, Stop::Fail}) {
            for (const StepCase& step : Testing::EveryStep) {
                if (!Testing::StopsTheRun(step, stop)) continue;
                SCOPED_TRACE(std::string(update ? "update, " : "first installation, ") +
                             (stop == Stop::Cancel ? "cancelled at " : "failed at ") + Text::ToUtf8(step.Step) + " " +
                             std::to_string(step.Occurrence));
                machine_ = NewMachine();
                if (update) InstallEarlierVersion();
                const State before = machine_->Machine;
                InstallEngine engine(machine_);
                Listen(engine);
                log_.clear();
                Testing::RunStoppedAt(engine, Options(), step, stop);
                EXPECT_EQ(machine_->Machine, before);
                EXPECT_TRUE(Logged(Testing::UndoLine(stop)));
            }
        }
    }
}

// The payload's own uninstaller is renamed to ".old" before the copy; a copy that then fails puts
// the earlier ".old" back, and a later failure must not take it for this run's file.
TEST_F(InstallRunTest, AFailedUninstallerCopyThenALaterFailureKeepsTheEarlierOldUninstaller) {
    InstallEarlierVersion();
    engine_.Install(Options());
    ASSERT_EQ(machine_->Content(Installed(L"uninstall.exe.old")), "setup program v1");
    machine_->Payload.push_back({L"uninstall.exe", "the payload's own uninstaller"});
    machine_->ReadFailures[FakeInstallMachine::Key(machine_->Program)] =
        std::make_exception_ptr(IOException(L"Ошибка в данных (CRC).", 23));
    const State before = machine_->Machine;
    engine_.OnStep = [](std::wstring_view step) {
        if (step == InstallSteps::Registry) throw IOException(L"Сбой для проверки");
    };

    EXPECT_THROW(engine_.Install(Options()), InstallFailedException);

    EXPECT_TRUE(Logged(L"Не удалось скопировать деинсталлятор: Ошибка в данных (CRC)."));
    EXPECT_EQ(machine_->Content(Installed(L"uninstall.exe.old")), "setup program v1");
    EXPECT_EQ(machine_->Machine, before);
}

TEST_F(InstallRunTest, AnUndoStepThatCannotBeDoneIsLeftAndTheRestIsUndone) {
    const State before = machine_->Machine;
    engine_.OnStep = [&](std::wstring_view step) {
        if (step != InstallSteps::Registry) return;
        // The file is held now: the clean-up cannot delete it, nor the folders that hold it.
        machine_->InUse.insert(FakeInstallMachine::Key(Installed(L"app.exe")));
        throw IOException(L"Сбой для проверки");
    };
    EXPECT_THROW(engine_.Install(Options()), InstallFailedException);

    State expected = before;
    expected.Directories.insert(FakeInstallMachine::Key(Publisher));
    expected.Directories.insert(FakeInstallMachine::Key(InstallDir));
    expected.Files[FakeInstallMachine::Key(Installed(L"app.exe"))] = "app v2";
    EXPECT_EQ(machine_->Machine, expected);
}

TEST_F(InstallRunTest, ALockedFileIsAskedAboutAndAnAnswerToGiveUpLeavesTheMachineAsItWas) {
    InstallEarlierVersion();
    const std::wstring app = FakeInstallMachine::Key(Installed(L"app.exe"));
    machine_->InUse.insert(app);
    machine_->Holders = {LockingProcess(4242, L"app", true)};
    const State before = machine_->Machine;

    // Without a handler the run fails at once, with the file named.
    try {
        engine_.Install(Options());
        ADD_FAILURE() << "the run succeeded";
    } catch (const InstallFailedException& e) {
        EXPECT_TRUE(e.Message().starts_with(L"Файл «app.exe» занят другим приложением. ")) << Text::ToUtf8(e.Message());
    }
    EXPECT_EQ(machine_->Machine, before);

    std::vector<FileLockInfo> asked;
    engine_.FileLockHandler = [&](const FileLockInfo& info) {
        asked.push_back(info);
        return FileLockResolution::Abort;
    };
    EXPECT_THROW(engine_.Install(Options()), InstallFailedException);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(FakeInstallMachine::Key(asked[0].Path()), app);
    EXPECT_EQ(asked[0].Processes(), machine_->Holders);
    EXPECT_TRUE(Logged(L"Файл занят: app.exe (app)"));
    EXPECT_EQ(machine_->Machine, before);

    // Closed meanwhile: the retry writes it.
    asked.clear();
    engine_.FileLockHandler = [&](const FileLockInfo& info) {
        asked.push_back(info);
        machine_->InUse.clear();
        return FileLockResolution::Retry;
    };
    engine_.Install(Options());
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_EQ(machine_->Content(Installed(L"app.exe")), "app v2");
}

}  // namespace
}  // namespace Ravenquill::Core
