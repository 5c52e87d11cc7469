// Whole installation runs under Wine on real folders, the user's uninstall entries, the user's PATH
// and real shell links, each test with its own product and sandbox.

#include <gtest/gtest.h>

#include <random>

#include "core/common/errors.h"
#include "core/common/number_format.h"
#include "core/common/text.h"
#include "core/common/unique_handle.h"
#include "core/engine/engines/install_engine.h"
#include "core/engine/engines/uninstall_engine.h"
#include "core/engine/support/host_socket_win32.h"
#include "core/engine/support/install_stops.h"
#include "core/engine/support/shell_link_reader_win32.h"
#include "install_test_support.h"
#include "package_writer.h"
#include "support/allocation_failure.h"

namespace Ravenquill::Core {
namespace {

using namespace Testing;
using Ravenquill::Testing::ScopedAllocationFailure;

std::string TestName() { return testing::UnitTest::GetInstance()->current_test_info()->name(); }

// Events of one run, as the caller saw them.
struct Journal {
    std::vector<InstallProgress> Reports;
    std::vector<std::wstring> Lines;

    void Attach(InstallEngine& engine) {
        engine.Progress.Subscribe([this](InstallEngine&, const InstallProgress& p) { Reports.push_back(p); });
        engine.Log.Subscribe([this](InstallEngine&, const std::wstring& line) { Lines.push_back(line); });
    }
    bool Logged(std::wstring_view prefix) const {
        return std::any_of(Lines.begin(), Lines.end(), [&](const std::wstring& l) { return l.starts_with(prefix); });
    }
};

std::vector<std::wstring> AsidesIn(const fs::path& root) {
    std::vector<std::wstring> found;
    if (!fs::exists(root)) return found;
    for (const auto& item : fs::recursive_directory_iterator(root))
        if (item.path().filename().wstring().find(L".rq-aside-") != std::wstring::npos)
            found.push_back(item.path().wstring());
    return found;
}

class InstallEngineTest : public testing::Test {
protected:
    InstallEngineTest() : sandbox_(TestName()) {
        sandbox_.AddPayload("app.exe", "app v2");
        sandbox_.AddPayload("bin\\tools\\tool.dll", "tool v2");
        sandbox_.AddPayload("docs\\guide.txt", "guide v2");
        WriteText(sandbox_.Setup() / "installer.json", "{}");
        sandbox_.Manifest().MainExecutable = L"app.exe";
        sandbox_.Manifest().Tagline = L"Проверка";
        sandbox_.Manifest().Components = {
            ComponentDefinition{L"docs", L"Документация", std::nullopt, L"docs", false, true},
        };
    }

    InstallOptions FullOptions() const {
        InstallOptions options = sandbox_.Options();
        options.DesktopShortcut = true;
        options.StartMenuShortcut = true;
        options.AddToPath = true;
        options.SelectedComponentIds = {L"docs"};
        return options;
    }

    // A cancellation after the last token test is seen by the minimum-duration wait.
    InstallOptions OptionsFor(Stop stop) const {
        InstallOptions options = FullOptions();
        if (stop == Stop::Cancel) options.MinimumDuration = std::chrono::minutes(1);
        return options;
    }

    // An earlier installation of the product in the target: version 1 of every file, its own
    // record, uninstaller and links, installed by an older setup program over a still older
    // installation of the product, whose uninstaller it kept as "uninstall.exe.old".
    void InstallEarlierVersion() {
        const fs::path earlierSetup = sandbox_.Root() / "earlier";
        WriteText(earlierSetup / "payload" / "app.exe", "app v1");
        WriteText(earlierSetup / "payload" / "bin" / "tools" / "tool.dll", "tool v1");
        WriteText(earlierSetup / "payload" / "old.txt", "only in v1");
        sandbox_.RunFrom(earlierSetup / "setup.exe");
        for (const char* version : {"v0", "v1"}) {
            WriteText(earlierSetup / "setup.exe", std::string("setup program ") + version);
            InstallEngine engine;
            engine.Install(FullOptions());
        }
        sandbox_.RunFrom(sandbox_.Setup() / "setup.exe");
        ASSERT_EQ(ReadText(sandbox_.Target() / "uninstall.exe.old"), "setup program v0");
        ASSERT_EQ(ReadText(sandbox_.Target() / "uninstall.exe"), "setup program v1");
    }

    InstallSandbox sandbox_;
};

TEST_F(InstallEngineTest, AFirstInstallationPutsEverythingInPlaceAndRecordsIt) {
    sandbox_.AddPayload("extras\\deep\\more\\x.txt", "x");
    const MachineState before = sandbox_.Snapshot();
    InstallEngine engine;
    Journal journal;
    journal.Attach(engine);
    const InstallRecord record = engine.Install(FullOptions());

    const fs::path target = sandbox_.Target();
    EXPECT_EQ(ReadText(target / "app.exe"), "app v2");
    EXPECT_EQ(ReadText(target / "bin" / "tools" / "tool.dll"), "tool v2");
    EXPECT_EQ(ReadText(target / "uninstall.exe"), "setup program " + TestName());
    EXPECT_EQ(ReadText(target / "installer.json"), "{}");
    EXPECT_TRUE(fs::exists(target / ".ravenquill" / "record.json"));
    EXPECT_TRUE(AsidesIn(sandbox_.Root()).empty());

    EXPECT_EQ(record.InstallDir, target.wstring());
    std::vector<std::wstring> files = record.Files;
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::wstring>{L"app.exe", L"bin\\tools\\tool.dll", L"docs\\guide.txt",
                                                L"extras\\deep\\more\\x.txt", L"installer.json", L"uninstall.exe"}));
    // Every folder made on the way is listed, not only each entry's own.
    std::vector<std::wstring> directories = record.Directories;
    std::sort(directories.begin(), directories.end());
    EXPECT_EQ(directories, (std::vector<std::wstring>{L"bin", L"bin\\tools", L"docs", L"extras", L"extras\\deep",
                                                      L"extras\\deep\\more"}));
    // The folders made on the way to the install directory, for its self-deletion to take as well.
    EXPECT_EQ(record.ParentDirectories, (std::vector<std::wstring>{(sandbox_.Root() / "apps").wstring(),
                                                                   (sandbox_.Root() / "apps" / "vendor").wstring()}));
    EXPECT_EQ(record.Shortcuts,
              (std::vector<std::wstring>{
                  sandbox_.DesktopLink().wstring(),
                  (sandbox_.StartMenuFolder() / (sandbox_.ProductName() + L".lnk")).wstring(),
                  (sandbox_.StartMenuFolder() / (L"Удалить " + sandbox_.ProductName() + L".lnk")).wstring()}));
    for (const std::wstring& link : record.Shortcuts) EXPECT_TRUE(fs::exists(link)) << fs::path(link).string();
    EXPECT_EQ(record.StartMenuDirectory, sandbox_.StartMenuFolder().wstring());
    EXPECT_TRUE(record.PathEntryAdded);
    EXPECT_TRUE(PathVariable::Contains(UserPath().value_or(L""), target.wstring()));

    const std::optional<InstallRecord> saved = InstallRecord::Load(target.wstring());
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->Files, record.Files);
    EXPECT_EQ(saved->Directories, record.Directories);
    EXPECT_EQ(saved->ParentDirectories, record.ParentDirectories);
    const std::optional<UninstallEntryBackup::Values> entry = UninstallEntryBackup::Read(record.ProductId, false);
    ASSERT_TRUE(entry);
    EXPECT_FALSE(entry->empty());

    ASSERT_GE(journal.Reports.size(), 5u);
    EXPECT_EQ(journal.Reports.front(), InstallProgress(0, L"Подготовка к установке", target.wstring()));
    EXPECT_EQ(journal.Reports[1].Fraction(), 0.05);
    EXPECT_EQ(journal.Reports.back(), InstallProgress(1.0, L"Готово"));
    const std::vector<std::wstring> expectedStart = {L"Ravenquill — установка «" + sandbox_.ProductName() + L"» 2.5.0",
                                                     L"Каталог установки: " + target.wstring(),
                                                     L"Режим: только для текущего пользователя"};
    ASSERT_GE(journal.Lines.size(), 4u);
    EXPECT_EQ(std::vector<std::wstring>(journal.Lines.begin(), journal.Lines.begin() + 3), expectedStart);
    EXPECT_TRUE(journal.Lines[3].starts_with(L"Файлов к установке: 4 ("));
    EXPECT_TRUE(journal.Logged(L"Каталог добавлен в переменную PATH"));
    EXPECT_TRUE(journal.Logged(L"Запись в «Установка и удаление программ» создана"));
    EXPECT_TRUE(journal.Lines.back().starts_with(L"Установка завершена за "));
    EXPECT_NE(sandbox_.Snapshot(), before);
}

TEST_F(InstallEngineTest, TheUninstallTakesAwayExactlyWhatTheInstallationPutThere) {
    sandbox_.AddPayload("extras\\deep\\more\\x.txt", "x");
    MachineState expected = sandbox_.Snapshot();
    InstallEngine engine;
    const InstallRecord record = engine.Install(FullOptions());
    UninstallEngine uninstall;
    uninstall.Uninstall(record, false);
    // The install directory itself (and the folders made on the way to it) go only with the
    // uninstaller's own deletion, which is not scheduled here.
    for (const char* folder : {"apps", "apps\\vendor", "apps\\vendor\\Target"})
        expected.Sandbox[fs::path(folder).wstring()] = "<dir>";
    EXPECT_EQ(sandbox_.Snapshot(), expected);
}

TEST_F(InstallEngineTest, LinksStartTheProgramOrTheUninstallerAndCarryTheTagline) {
    sandbox_.AddPayload("app.ico", "icon");
    sandbox_.Manifest().IconPath = L"app.ico";
    const fs::path target = sandbox_.Target();
    struct Case {
        std::optional<std::wstring> tagline;
        std::wstring description;
    };
    // An empty tagline is still the tagline; only its absence gives the product name.
    for (const Case& c : {Case{L"Проверка", L"Проверка"}, Case{L"", L""}, Case{std::nullopt, sandbox_.ProductName()}}) {
        sandbox_.Manifest().Tagline = c.tagline;
        InstallEngine engine;
        const InstallRecord record = engine.Install(FullOptions());
        const fs::path menu = sandbox_.StartMenuFolder();
        struct Expected {
            fs::path link, program;
            std::wstring arguments;
            bool icon;
        };
        const Expected links[] = {
            {sandbox_.DesktopLink(), target / "app.exe", L"", true},
            {menu / (sandbox_.ProductName() + L".lnk"), target / "app.exe", L"", true},
            {menu / (L"Удалить " + sandbox_.ProductName() + L".lnk"), target / "uninstall.exe", L"--uninstall", false},
        };
        for (const Expected& e : links) {
            const ShellLinkContents link = ReadShellLink(e.link);
            const std::string name = e.link.filename().string();
            EXPECT_TRUE(Text::EqualsIgnoreCase(link.Target, e.program.wstring()))
                << name << " " << fs::path(link.Target);
            EXPECT_TRUE(Text::EqualsIgnoreCase(link.WorkingDirectory, target.wstring())) << name;
            EXPECT_EQ(link.Arguments, e.arguments) << name;
            EXPECT_EQ(link.Description, c.description) << name;
            const std::wstring icon = e.icon ? (target / "app.ico").wstring() : L"";
            EXPECT_TRUE(Text::EqualsIgnoreCase(link.IconPath, icon)) << name << " " << fs::path(link.IconPath);
        }
    }
}

TEST_F(InstallEngineTest, WhatTheDeploymentAndTheLinksAbsorbIsLoggedAndTheRunGoesOn) {
    // Programs only in subfolders and no main executable named: no link at all.
    fs::remove(sandbox_.Payload() / "app.exe");
    sandbox_.AddPayload("bin\\app.exe", "app");
    sandbox_.Manifest().MainExecutable.reset();
    // The running program's file is gone: no uninstaller copy, no side manifest.
    sandbox_.RunFrom(sandbox_.Setup() / "missing.exe");
    {
        InstallEngine engine;
        Journal journal;
        journal.Attach(engine);
        const InstallRecord record = engine.Install(FullOptions());
        EXPECT_TRUE(journal.Logged(L"Не удалось определить путь к установщику — деинсталлятор не скопирован"));
        EXPECT_TRUE(journal.Logged(L"Основной исполняемый файл не задан — ярлыки не создаются"));
        EXPECT_FALSE(journal.Logged(L"Деинсталлятор установлен"));
        EXPECT_TRUE(record.Shortcuts.empty());
        EXPECT_EQ(record.StartMenuDirectory, std::nullopt);
        EXPECT_EQ(std::count(record.Files.begin(), record.Files.end(), L"uninstall.exe"), 0);
        EXPECT_FALSE(fs::exists(sandbox_.Target() / "uninstall.exe"));
        EXPECT_TRUE(journal.Logged(L"Запись в «Установка и удаление программ» создана"));
    }

    // One link that cannot be written is logged; the others are still made.
    sandbox_.Manifest().MainExecutable = L"bin\\app.exe";
    sandbox_.RunFrom(sandbox_.Setup() / "setup.exe");
    fs::create_directories(sandbox_.DesktopLink());
    InstallEngine engine;
    Journal journal;
    journal.Attach(engine);
    const InstallRecord record = engine.Install(FullOptions());
    fs::remove_all(sandbox_.DesktopLink());
    EXPECT_TRUE(journal.Logged(L"Не удалось создать ярлык " + sandbox_.ProductName() + L".lnk: "));
    EXPECT_EQ(record.Shortcuts.size(), 2u);
    EXPECT_EQ(record.StartMenuDirectory, sandbox_.StartMenuFolder().wstring());
}

TEST_F(InstallEngineTest, APerMachineInstallationUsesTheMachineFoldersEntryAndPath) {
    const fs::path desktopLink =
        KnownFolderDir(FileSystem::KnownFolder::PublicDesktop) / (sandbox_.ProductName() + L".lnk");
    const fs::path startMenu =
        KnownFolderDir(FileSystem::KnownFolder::CommonPrograms) / sandbox_.Manifest().EffectiveStartMenuFolder();
    const std::wstring id = sandbox_.Manifest().ProductId;
    struct MachineCleanup {
        fs::path desktopLink, startMenu;
        std::wstring id, target;
        ~MachineCleanup() {
            std::error_code ignored;
            fs::remove(desktopLink, ignored);
            fs::remove_all(startMenu, ignored);
            RegDeleteTreeW(HKEY_LOCAL_MACHINE,
                           (L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + id).c_str());
            try {
                PathVariable::Remove(target, true);
            } catch (...) {
            }
        }
    } cleanup{desktopLink, startMenu, id, sandbox_.Target().wstring()};
    const MachineState userBefore = sandbox_.Snapshot();
    InstallOptions options = FullOptions();
    options.PerMachine = true;
    InstallEngine engine;
    const InstallRecord record = engine.Install(options);
    EXPECT_TRUE(record.PerMachine);
    EXPECT_TRUE(fs::exists(desktopLink));
    EXPECT_TRUE(fs::exists(startMenu / (sandbox_.ProductName() + L".lnk")));
    EXPECT_EQ(record.StartMenuDirectory, startMenu.wstring());
    EXPECT_TRUE(UninstallEntryBackup::Read(id, true));
    EXPECT_TRUE(record.PathEntryAdded);
    const MachineState userAfter = sandbox_.Snapshot();
    EXPECT_EQ(userAfter.Entry, std::nullopt);
    EXPECT_EQ(userAfter.Path, userBefore.Path);
    EXPECT_FALSE(userAfter.DesktopLink);
}

TEST_F(InstallEngineTest, UnselectedComponentsStayOutAndOnlyTheDesktopLinkIsMadeWhenAskedFor) {
    InstallOptions options = sandbox_.Options();
    options.DesktopShortcut = true;
    InstallEngine engine;
    const InstallRecord record = engine.Install(options);
    EXPECT_FALSE(fs::exists(sandbox_.Target() / "docs"));
    EXPECT_EQ(record.Shortcuts, std::vector<std::wstring>{sandbox_.DesktopLink().wstring()});
    EXPECT_EQ(record.StartMenuDirectory, std::nullopt);
    EXPECT_FALSE(record.PathEntryAdded);
    EXPECT_FALSE(fs::exists(sandbox_.StartMenuFolder()));
}

// Cancellation and injected failures at every step, for a first installation and for an update:
// the machine is compared with its state before the run, files, links, entry and PATH alike.
void RunStoppedAt(const InstallOptions& options, const StepCase& step, Stop stop, Journal& journal) {
    InstallEngine engine;
    journal.Attach(engine);
    Testing::RunStoppedAt(engine, options, step, stop);
}

TEST_F(InstallEngineTest, AStoppedFirstInstallationLeavesTheMachineAsBefore) {
    for (const Stop stop : {Stop::Cancel, Stop::Fail}) {
        for (const StepCase& step : EveryStep) {
            if (!StopsTheRun(step, stop)) continue;
            InstallOptions options = OptionsFor(stop);
            const MachineState before = sandbox_.Snapshot();
            Journal journal;
            RunStoppedAt(options, step, stop, journal);
            EXPECT_EQ(sandbox_.Snapshot(), before) << fs::path(step.Step).string() << " " << step.Occurrence;
            EXPECT_TRUE(journal.Logged(UndoLine(stop)));
        }
    }
}

TEST_F(InstallEngineTest, AStoppedUpdateLeavesTheEarlierInstallationAsItWas) {
    InstallEarlierVersion();
    WriteText(sandbox_.Target() / "app.exe", "app v1, changed by the user");
    for (const Stop stop : {Stop::Cancel, Stop::Fail}) {
        for (const StepCase& step : EveryStep) {
            if (!StopsTheRun(step, stop)) continue;
            // Without the desktop link this time: the earlier one is adopted into the new record
            // and must survive the clean-up.
            InstallOptions options = OptionsFor(stop);
            options.DesktopShortcut = false;
            const MachineState before = sandbox_.Snapshot();
            Journal journal;
            RunStoppedAt(options, step, stop, journal);
            EXPECT_EQ(sandbox_.Snapshot(), before) << fs::path(step.Step).string() << " " << step.Occurrence;
        }
    }
    EXPECT_EQ(ReadText(sandbox_.Target() / "uninstall.exe"), "setup program v1");
    EXPECT_EQ(ReadText(sandbox_.Target() / "uninstall.exe.old"), "setup program v0");
}

TEST_F(InstallEngineTest, ASuccessfulUpdateReplacesTheFilesAndKeepsTheEarlierUninstallerAsOld) {
    InstallEarlierVersion();
    fs::permissions(sandbox_.Target() / "bin" / "tools" / "tool.dll", fs::perms::owner_write, fs::perm_options::remove);
    InstallEngine engine;
    InstallOptions options = FullOptions();
    options.DesktopShortcut = false;
    const InstallRecord record = engine.Install(options);
    const fs::path target = sandbox_.Target();
    EXPECT_EQ(ReadText(target / "app.exe"), "app v2");
    EXPECT_EQ(ReadText(target / "bin" / "tools" / "tool.dll"), "tool v2");
    EXPECT_EQ(GetFileAttributesW((target / "bin" / "tools" / "tool.dll").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(ReadText(target / "uninstall.exe"), "setup program " + TestName());
    EXPECT_EQ(ReadText(target / "uninstall.exe.old"), "setup program v1");
    EXPECT_TRUE(AsidesIn(sandbox_.Root()).empty());
    EXPECT_TRUE(AsidesIn(sandbox_.StartMenuFolder()).empty());
    EXPECT_TRUE(fs::exists(sandbox_.DesktopLink()));
    EXPECT_EQ(std::count(record.Files.begin(), record.Files.end(), L"uninstall.exe"), 1);
    // The earlier uninstaller is this product's: the uninstall takes it too.
    EXPECT_EQ(std::count(record.Files.begin(), record.Files.end(), L"uninstall.exe.old"), 1);
    EXPECT_EQ(InstallRecord::Load(target.wstring())->Version, L"2.5.0");
    // What the earlier installation put here and this one left in place stays the product's, for
    // the uninstall to take away: its PATH entry, a file only it had, its desktop link.
    EXPECT_TRUE(record.PathEntryAdded);
    EXPECT_EQ(std::count(record.Files.begin(), record.Files.end(), L"old.txt"), 1);
    EXPECT_EQ(std::count(record.Shortcuts.begin(), record.Shortcuts.end(), sandbox_.DesktopLink().wstring()), 1);
}

TEST_F(InstallEngineTest, AnUpdateNamesTheVersionItFound) {
    InstallEarlierVersion();
    InstallEngine engine;
    Journal journal;
    journal.Attach(engine);
    engine.Install(FullOptions());
    EXPECT_NE(std::find(journal.Lines.begin(), journal.Lines.end(),
                        L"Найдена установленная версия 2.5.0 в " + sandbox_.Target().wstring()),
              journal.Lines.end());
    // A first installation finds none.
    Journal first;
    sandbox_.AddPayload("x.txt", "x");
    fs::remove_all(sandbox_.Target() / ".ravenquill");
    InstallEngine another;
    first.Attach(another);
    another.Install(FullOptions());
    EXPECT_FALSE(first.Logged(L"Найдена установленная версия"));
}

// A subscriber that throws (a log file gone, a journal that fails) must not leave a failed or
// cancelled run's files behind: the clean-up runs whatever the log line did.
TEST_F(InstallEngineTest, ASubscriberThatFailsNeverKeepsTheCleanUpFromRunning) {
    struct Case {
        const char* name;
        Stop stop;
        // The log subscriber throws for the lines that begin with this; empty: it does not.
        std::wstring failingLine;
        bool progressFails;
    };
    const Case cases[] = {
        {"failure line", Stop::Fail, L"Ошибка: ", false},
        {"cancellation line", Stop::Cancel, L"Установка отменена", false},
        // Every line from the uninstaller on: the failure it raises is absorbed once, then ends the run.
        {"every later line", Stop::Fail, L"", false},
        {"progress", Stop::Fail, L"", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const MachineState before = sandbox_.Snapshot();
        InstallOptions options = OptionsFor(c.stop);
        CancellationTokenSource cancel;
        bool failing = false;
        const InstallEngine::StepHook hook([&](std::wstring_view step) {
            if (step == InstallSteps::Uninstaller && c.failingLine.empty() && !c.progressFails) failing = true;
            if (step != InstallSteps::Registry) return;
            if (c.stop == Stop::Cancel) cancel.request_stop();
            if (c.stop == Stop::Fail && !c.failingLine.empty()) throw IOException(L"Сбой для проверки");
            if (c.progressFails) failing = true;
        });
        InstallEngine engine;
        engine.OnStep = hook;
        engine.Log.Subscribe([&](InstallEngine&, const std::wstring& line) {
            if ((failing && c.failingLine.empty() && !c.progressFails) ||
                (!c.failingLine.empty() && line.starts_with(c.failingLine)))
                throw IOException(L"Журнал недоступен");
        });
        engine.Progress.Subscribe([&](InstallEngine&, const InstallProgress&) {
            if (failing && c.progressFails) throw IOException(L"Журнал недоступен");
        });
        EXPECT_ANY_THROW(engine.Install(options, cancel.get_token()));
        EXPECT_EQ(sandbox_.Snapshot(), before);
    }
}

// A file whose deletion fails for a reason no file error names (a host socket put at its name,
// which Wine answers with ERROR_INVALID_PARAMETER) is left, and the clean-up goes on with the rest.
TEST_F(InstallEngineTest, ACleanUpStepFailingWithAnUnnamedErrorIsSkippedAndTheRestGoesOn) {
    const MachineState before = sandbox_.Snapshot();
    const fs::path app = sandbox_.Target() / "app.exe";
    bool made = false;
    const InstallEngine::StepHook hook([&](std::wstring_view step) {
        if (step != InstallSteps::Registry) return;
        fs::remove(app);
        made = MakeHostSocket(app);
        throw IOException(L"Сбой для проверки");
    });
    InstallEngine engine;
    engine.OnStep = hook;
    EXPECT_THROW(engine.Install(FullOptions()), InstallFailedException);
    if (!made) GTEST_SKIP() << "no host socket could be made";
    // Only the socket stays (the folder that holds it with it); everything else went.
    MachineState after = sandbox_.Snapshot();
    EXPECT_EQ(after.StartMenu, before.StartMenu);
    EXPECT_EQ(after.DesktopLink, before.DesktopLink);
    EXPECT_EQ(after.Path, before.Path);
    EXPECT_FALSE(after.Entry.has_value());
    for (const char* gone : {"bin", "docs", "uninstall.exe", "installer.json", ".ravenquill"})
        EXPECT_FALSE(fs::exists(sandbox_.Target() / gone)) << gone;
    EXPECT_TRUE(HostSocketAt(app));
    RemoveHostSocket(app);
}

// A folder that goes away while the run goes on (the user or another program removed it) is made
// again for the next file in it instead of failing the run.
TEST_F(InstallEngineTest, AFolderThatVanishedDuringTheRunIsMadeAgain) {
    sandbox_.AddPayload("docs\\more.txt", "more v2");
    const fs::path docs = sandbox_.Target() / "docs";
    bool removed = false;
    const InstallEngine::StepHook hook([&](std::wstring_view step) {
        // Just before the second file of docs is written: the run made the folder for the first.
        if (step != InstallSteps::Entry || removed || !fs::exists(docs) || fs::is_empty(docs)) return;
        fs::remove_all(docs);
        removed = true;
    });
    InstallEngine engine;
    engine.OnStep = hook;
    const InstallRecord record = engine.Install(FullOptions());
    ASSERT_TRUE(removed);
    // The file written before the folder went is gone with it; the one after is in its place.
    const bool guide = fs::exists(docs / "guide.txt");
    EXPECT_NE(guide, fs::exists(docs / "more.txt"));
    EXPECT_EQ(ReadText(docs / (guide ? "guide.txt" : "more.txt")), guide ? "guide v2" : "more v2");
    EXPECT_EQ(std::count(record.Directories.begin(), record.Directories.end(), L"docs"), 1);
}

TEST_F(InstallEngineTest, AnUninstallAfterAnUpdateTakesAwayWhatBothVersionsPutThere) {
    auto withoutEarlierSetup = [](MachineState state) {
        std::erase_if(state.Sandbox, [](const auto& item) { return item.first.starts_with(L"earlier"); });
        return state;
    };
    // The earlier version's PATH entry is the product's also when the update does not ask for one.
    for (const bool addToPath : {true, false}) {
        MachineState expected = withoutEarlierSetup(sandbox_.Snapshot());
        InstallEarlierVersion();
        InstallOptions options = FullOptions();
        options.DesktopShortcut = false;
        options.AddToPath = addToPath;
        InstallEngine engine;
        const InstallRecord record = engine.Install(options);
        EXPECT_TRUE(record.PathEntryAdded) << addToPath;
        UninstallEngine().Uninstall(record, false);
        for (const char* folder : {"apps", "apps\\vendor", "apps\\vendor\\Target"})
            expected.Sandbox[fs::path(folder).wstring()] = "<dir>";
        // The uninstallers of both earlier versions are the product's and go as well.
        EXPECT_EQ(withoutEarlierSetup(sandbox_.Snapshot()), expected) << addToPath;
    }
}

// A first installation over another program's "uninstall.exe" keeps it as "uninstall.exe.old",
// listed in no record. It stays that program's: an update replaces only this product's own
// uninstaller, without keeping a copy in its place, and a stopped update changes nothing.
TEST_F(InstallEngineTest, AnUpdateKeepsAnotherProgramsUninstallerThatTheFirstInstallationRenamed) {
    const fs::path target = sandbox_.Target();
    WriteText(target / "uninstall.exe", "another program's uninstaller");
    const InstallRecord first = InstallEngine().Install(FullOptions());
    EXPECT_EQ(ReadText(target / "uninstall.exe.old"), "another program's uninstaller");
    EXPECT_EQ(std::count(first.Files.begin(), first.Files.end(), L"uninstall.exe.old"), 0);

    const MachineState before = sandbox_.Snapshot();
    Journal journal;
    RunStoppedAt(OptionsFor(Stop::Fail), StepCase{InstallSteps::Record, 1}, Stop::Fail, journal);
    EXPECT_EQ(sandbox_.Snapshot(), before);

    sandbox_.RunFrom(sandbox_.Root() / "newer" / "setup.exe");
    WriteText(sandbox_.Root() / "newer" / "setup.exe", "setup program v3");
    fs::copy(sandbox_.Payload(), sandbox_.Root() / "newer" / "payload", fs::copy_options::recursive);
    const InstallRecord updated = InstallEngine().Install(FullOptions());
    EXPECT_EQ(ReadText(target / "uninstall.exe"), "setup program v3");
    EXPECT_EQ(ReadText(target / "uninstall.exe.old"), "another program's uninstaller");
    EXPECT_EQ(std::count(updated.Files.begin(), updated.Files.end(), L"uninstall.exe.old"), 0);
    EXPECT_TRUE(AsidesIn(sandbox_.Root()).empty());
}

TEST_F(InstallEngineTest, AnInstallationStartedFromTheInstalledUninstallerLeavesItInPlace) {
    InstallEarlierVersion();
    sandbox_.RunFrom(sandbox_.Target() / "uninstall.exe");
    fs::remove(sandbox_.Target() / "installer.json");
    sandbox_.AddPayload("payload-only.txt", "p");
    // The payload beside the running uninstaller is what this run installs.
    fs::copy(sandbox_.Payload(), sandbox_.Target() / "payload", fs::copy_options::recursive);
    InstallEngine engine;
    Journal journal;
    journal.Attach(engine);
    const InstallRecord record = engine.Install(FullOptions());
    EXPECT_EQ(ReadText(sandbox_.Target() / "uninstall.exe"), "setup program v1");
    EXPECT_EQ(ReadText(sandbox_.Target() / "uninstall.exe.old"), "setup program v0");
    EXPECT_EQ(std::count(record.Files.begin(), record.Files.end(), L"uninstall.exe"), 1);
    EXPECT_FALSE(fs::exists(sandbox_.Target() / "installer.json"));
    EXPECT_TRUE(journal.Logged(L"Деинсталлятор установлен"));
}

TEST_F(InstallEngineTest, AnUninstallerThatCannotBeReplacedIsLoggedAndTheEarlierOneStays) {
    InstallEarlierVersion();
    const fs::path uninstaller = sandbox_.Target() / "uninstall.exe";
    HANDLE holder = CreateFileW(uninstaller.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    InstallEngine engine;
    Journal journal;
    journal.Attach(engine);
    const InstallRecord record = engine.Install(FullOptions());
    CloseHandle(holder);
    EXPECT_TRUE(journal.Logged(L"Не удалось скопировать деинсталлятор: "));
    EXPECT_FALSE(journal.Logged(L"Деинсталлятор установлен"));
    EXPECT_EQ(ReadText(uninstaller), "setup program v1");
    EXPECT_EQ(ReadText(sandbox_.Target() / "uninstall.exe.old"), "setup program v0");
    // Listed as the earlier installation's own file, not as a copy of this run.
    EXPECT_EQ(std::count(record.Files.begin(), record.Files.end(), L"uninstall.exe"), 1);
    EXPECT_TRUE(AsidesIn(sandbox_.Target()).empty());
}

TEST_F(InstallEngineTest, ASetupInsideTheInstallDirectoryCopiesItselfButNotItsOwnSideManifest) {
    const fs::path setup = sandbox_.Target() / "setup.exe";
    WriteText(setup, "setup inside");
    WriteText(sandbox_.Target() / "installer.json", "{\"productName\": \"x\"}");
    fs::copy(sandbox_.Payload(), sandbox_.Target() / "payload", fs::copy_options::recursive);
    sandbox_.RunFrom(setup);
    InstallEngine engine;
    const InstallRecord record = engine.Install(sandbox_.Options());
    EXPECT_EQ(ReadText(sandbox_.Target() / "uninstall.exe"), "setup inside");
    EXPECT_EQ(ReadText(sandbox_.Target() / "installer.json"), "{\"productName\": \"x\"}");
    EXPECT_EQ(std::count(record.Files.begin(), record.Files.end(), L"installer.json"), 0);
}

TEST_F(InstallEngineTest, AnUpdateWhoseLinkCannotBeWrittenKeepsTheEarlierLink) {
    InstallEarlierVersion();
    const std::string earlierLink = ReadText(sandbox_.DesktopLink());
    int links = 0;
    // The desktop link is the run's first: it fails once the earlier one is out of its way.
    const InstallEngine::StepHook hook([&](std::wstring_view step) {
        if (step == InstallSteps::Link && ++links == 1) throw IOException(L"Сбой для проверки");
    });
    InstallEngine engine;
    engine.OnStep = hook;
    Journal journal;
    journal.Attach(engine);
    const InstallRecord record = engine.Install(FullOptions());
    EXPECT_TRUE(journal.Logged(L"Не удалось создать ярлык " + sandbox_.ProductName() + L".lnk: Сбой для проверки"));
    ASSERT_TRUE(fs::exists(sandbox_.DesktopLink()));
    EXPECT_EQ(ReadText(sandbox_.DesktopLink()), earlierLink);
    EXPECT_TRUE(AsidesIn(sandbox_.DesktopLink().parent_path()).empty());
    // Still the product's, for the uninstall to take away.
    EXPECT_EQ(std::count(record.Shortcuts.begin(), record.Shortcuts.end(), sandbox_.DesktopLink().wstring()), 1);
    EXPECT_EQ(record.Shortcuts.size(), 3u);
}

TEST_F(InstallEngineTest, AnUpdateWhoseSideManifestCannotBeCopiedKeepsTheEarlierCopy) {
    InstallEarlierVersion();
    const fs::path installed = sandbox_.Target() / "installer.json";
    WriteText(installed, "{\"version\": \"1.0\"}");
    InstallEngine engine;
    Journal journal;
    journal.Attach(engine);
    {
        // Held by another program that shares it with nobody: the copy cannot read it.
        const UniqueFileHandle holder(CreateFileW((sandbox_.Setup() / "installer.json").c_str(), GENERIC_READ, 0,
                                                  nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder);
        engine.Install(FullOptions());
    }
    EXPECT_TRUE(journal.Logged(L"Не удалось скопировать деинсталлятор: "));
    EXPECT_EQ(ReadText(installed), "{\"version\": \"1.0\"}");
    EXPECT_TRUE(AsidesIn(sandbox_.Target()).empty());
    // The uninstaller copied before the failure stays.
    EXPECT_EQ(ReadText(sandbox_.Target() / "uninstall.exe"), "setup program " + TestName());
}

TEST_F(InstallEngineTest, AnUpdateReplacesFilesWhoseNamesAreAsLongAsANameMayBe) {
    // 250 and 255 characters: the earlier file is kept aside under a name that still fits.
    const std::string names[] = {std::string(246, 'a') + ".txt", std::string(251, 'b') + ".txt"};
    for (const std::string& name : names) sandbox_.AddPayload(name, "v1");
    InstallEngine().Install(FullOptions());
    for (const std::string& name : names) sandbox_.AddPayload(name, "v2");
    InstallEngine engine;
    const InstallRecord record = engine.Install(FullOptions());
    for (const std::string& name : names) {
        EXPECT_EQ(ReadText(sandbox_.Target() / name), "v2") << name.size();
        EXPECT_EQ(std::count(record.Files.begin(), record.Files.end(), fs::path(name).wstring()), 1) << name.size();
    }
    EXPECT_TRUE(AsidesIn(sandbox_.Root()).empty());
}

TEST_F(InstallEngineTest, WhatNoEntryOrRecordCouldHoldIsRefusedBeforeAnythingIsWritten) {
    const std::wstring blankId = L"В манифесте не задан идентификатор продукта.";
    const std::wstring NoFileName =
        L" не может служить именем файла: в нём недопустимы символы \\ / : * ? \" < > | и управляющие символы, он не "
        L"может быть «.» или «..», оканчиваться точкой или пробелом и быть длиннее 240 знаков.";
    const struct {
        const char* name;
        std::function<void(InstallOptions&, InstallManifest&)> change;
        std::wstring message;
    } cases[] = {
        {"empty id", [](InstallOptions&, InstallManifest& m) { m.ProductId.clear(); }, blankId},
        {"blank id", [](InstallOptions&, InstallManifest& m) { m.ProductId = L" \t"; }, blankId},
        {"nested id", [](InstallOptions&, InstallManifest& m) { m.ProductId = L"Rq\\Other"; },
         L"Идентификатор продукта «Rq\\Other»" + NoFileName},
        // The id names the silent run's log file too: it must stay one name in the temporary folder.
        {"id with parent steps", [](InstallOptions&, InstallManifest& m) { m.ProductId = L"a/../../evil"; },
         L"Идентификатор продукта «a/../../evil»" + NoFileName},
        {"id with a drive colon", [](InstallOptions&, InstallManifest& m) { m.ProductId = L"C:evil"; },
         L"Идентификатор продукта «C:evil»" + NoFileName},
        {"parent id", [](InstallOptions&, InstallManifest& m) { m.ProductId = L".."; },
         L"Идентификатор продукта «..»" + NoFileName},
        {"id ending in a dot", [](InstallOptions&, InstallManifest& m) { m.ProductId = L"Rq."; },
         L"Идентификатор продукта «Rq.»" + NoFileName},
        // Unpaired surrogates: a record holding one could never be read back.
        {"directory",
         [this](InstallOptions& o, InstallManifest&) { o.InstallDir = (sandbox_.Target() / L"x\xD800y").wstring(); },
         L"Путь установки содержит недопустимые символы: " + (sandbox_.Target() / L"x\xD800y").wstring()},
        {"component", [](InstallOptions& o, InstallManifest&) { o.SelectedComponentIds.push_back(L"\xDC00"); },
         L"Данные установки содержат недопустимые символы: \xDC00"},
        {"product name", [](InstallOptions&, InstallManifest& m) { m.ProductName = L"Rq \xD800"; },
         L"Данные установки содержат недопустимые символы: Rq \xD800"},
    };
    for (const auto& c : cases) {
        // A copy: the sandbox cleans up by the product id of its own manifest.
        InstallOptions options = FullOptions();
        auto manifest = std::make_shared<InstallManifest>(*options.Manifest);
        c.change(options, *manifest);
        options.Manifest = manifest;
        const MachineState before = sandbox_.Snapshot();
        InstallEngine engine;
        try {
            engine.Install(options);
            ADD_FAILURE() << c.name;
        } catch (const InstallFailedException& e) {
            EXPECT_EQ(e.Message(), c.message) << c.name;
        }
        EXPECT_EQ(sandbox_.Snapshot(), before) << c.name;
        EXPECT_FALSE(fs::exists(sandbox_.Target().parent_path())) << c.name;
    }
}

TEST_F(InstallEngineTest, AnEntryShorterThanItsLengthFailsTheRunAndLeavesNothing) {
    fs::remove_all(sandbox_.Payload());
    const std::vector<std::byte> content = {std::byte('a'), std::byte('b'), std::byte('c')};
    const std::vector<std::byte> block = Tools::CompressBlock(content, 5);
    std::vector<std::byte> package;
    Tools::AppendHeader(package, 2, 1 << 20);
    const std::int32_t blockSize = static_cast<std::int32_t>(block.size());
    // Both entries hold "abc"; the second claims ten bytes.
    Tools::AppendIndexRecord(package, "good.txt", 3, std::span<const std::int32_t>(&blockSize, 1));
    Tools::AppendIndexRecord(package, "short.txt", 10, std::span<const std::int32_t>(&blockSize, 1));
    package.insert(package.end(), block.begin(), block.end());
    package.insert(package.end(), block.begin(), block.end());
    std::ofstream(sandbox_.Setup() / "payload.rqpk", std::ios::binary)
        .write(reinterpret_cast<const char*>(package.data()), static_cast<std::streamsize>(package.size()));
    const MachineState before = sandbox_.Snapshot();
    InstallEngine engine;
    try {
        engine.Install(FullOptions());
        ADD_FAILURE() << "a short entry was installed";
    } catch (const InstallFailedException& e) {
        EXPECT_NE(e.Message().find(L"short.txt"), std::wstring::npos);
    }
    EXPECT_EQ(sandbox_.Snapshot(), before);
}

// A package beside the setup of text files cut into blocks of 1 MiB (a write piece each), the
// given block of the given file damaged so that it cannot decode.
struct PackedFile {
    std::string Path;
    std::size_t Size;
};

std::map<std::string, std::string> WriteBlockPackage(const fs::path& package, const std::vector<PackedFile>& files,
                                                     const std::string& damagedFile = {},
                                                     std::size_t damagedBlock = 0) {
    std::map<std::string, std::string> contents;
    constexpr std::size_t Block = 1 << 20;
    std::vector<std::byte> index, data;
    Tools::AppendHeader(index, static_cast<std::int32_t>(files.size()), Block);
    unsigned seed = 1;
    for (const PackedFile& file : files) {
        std::string text;
        std::mt19937 random(seed++);
        while (text.size() < file.Size)
            text += "block " + std::to_string(random() % 100000) + (random() % 9 ? " " : "\n");
        text.resize(file.Size);
        std::vector<std::int32_t> sizes;
        for (std::size_t at = 0, block = 0; at < file.Size; at += Block, ++block) {
            std::vector<std::byte> compressed =
                Tools::CompressBlock(std::as_bytes(std::span(text).subspan(at, std::min(Block, file.Size - at))), 5);
            if (file.Path == damagedFile && block == damagedBlock) {
                compressed[compressed.size() / 2] ^= std::byte{0x55};
                compressed.resize(compressed.size() - 3);
            }
            sizes.push_back(static_cast<std::int32_t>(compressed.size()));
            data.insert(data.end(), compressed.begin(), compressed.end());
        }
        Tools::AppendIndexRecord(index, file.Path, static_cast<std::int64_t>(file.Size), sizes);
        contents[file.Path] = std::move(text);
    }
    index.insert(index.end(), data.begin(), data.end());
    std::ofstream(package, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(index.data()), static_cast<std::streamsize>(index.size()));
    return contents;
}

std::vector<std::wstring> CopiedEntries(const Journal& journal) {
    std::vector<std::wstring> copied;
    for (const InstallProgress& report : journal.Reports)
        if (report.Status() == L"Копирование файлов") copied.push_back(*report.Detail());
    return copied;
}

TEST_F(InstallEngineTest, ADamagedBlockInTheMiddleOfAnEntryFailsTheRunWhenItIsReached) {
    fs::remove_all(sandbox_.Payload());
    WriteBlockPackage(sandbox_.Setup() / "payload.rqpk",
                      {{"first.txt", 300000}, {"app\\large.dat", 5 * (1 << 20) + 77}, {"after.txt", 1000}},
                      "app\\large.dat", 2);
    const MachineState before = sandbox_.Snapshot();
    InstallEngine engine;
    Journal journal;
    journal.Attach(engine);
    try {
        engine.Install(FullOptions());
        ADD_FAILURE() << "a damaged package was installed";
    } catch (const InstallFailedException& e) {
        EXPECT_EQ(e.Message(), L"Пакет повреждён: не удалось распаковать «app\\large.dat».");
    }
    EXPECT_EQ(CopiedEntries(journal), (std::vector<std::wstring>{L"first.txt", L"app\\large.dat"}))
        << "the entries before it are written, none after it";
    EXPECT_TRUE(journal.Logged(L"Ошибка: Пакет повреждён: не удалось распаковать «app\\large.dat»."));
    EXPECT_EQ(sandbox_.Snapshot(), before);
    EXPECT_EQ(LiveReadAheadThreads(), 0u);
}

// Memory that cannot be had on a decoding thread (its slot's first window) fails that block: the run
// rolls back when the block is reached, over a fresh folder and over an earlier installation alike.
TEST_F(InstallEngineTest, MemoryThatCannotBeHadOnADecodingThreadRollsTheRunBack) {
    if (DefaultReadAheadThreads() < 2) GTEST_SKIP() << "one core: every block is decoded on the run's thread";
    fs::remove_all(sandbox_.Payload());
    const auto contents = WriteBlockPackage(sandbox_.Setup() / "payload.rqpk",
                                            {{"first.txt", 300000}, {"app\\large.dat", 5 * (1 << 20) + 77}});
    for (const bool update : {false, true}) {
        SCOPED_TRACE(update ? "over an earlier installation" : "into a fresh folder");
        if (update) InstallEngine().Install(FullOptions());
        const MachineState before = sandbox_.Snapshot();
        InstallEngine engine;
        Journal journal;
        journal.Attach(engine);
        {
            // A window is at least half a block; only the decoding threads' allocations count.
            const ScopedAllocationFailure failure({1, 1 << 19, true});
            try {
                engine.Install(FullOptions());
                ADD_FAILURE() << "installed without the memory";
            } catch (const InstallFailedException& e) {
                EXPECT_EQ(e.Message(), OutOfMemoryMessage);
            }
            EXPECT_TRUE(failure.Failed());
        }
        EXPECT_TRUE(journal.Logged(std::wstring(L"Ошибка: ") + OutOfMemoryMessage));
        EXPECT_EQ(sandbox_.Snapshot(), before);
        EXPECT_EQ(LiveReadAheadThreads(), 0u);
    }
    for (const auto& [path, content] : contents) EXPECT_TRUE(ReadText(sandbox_.Target() / path) == content) << path;
}

// Stopped between two pieces of a file of six blocks, while the blocks after it are decoded ahead.
TEST_F(InstallEngineTest, AStopInTheMiddleOfALargeEntryLeavesNothingHalfWritten) {
    fs::remove_all(sandbox_.Payload());
    const auto contents =
        WriteBlockPackage(sandbox_.Setup() / "payload.rqpk",
                          {{"first.txt", 1000}, {"large.dat", 6 * (1 << 20) - 5}, {"after.txt", 2 * (1 << 20)}});
    const MachineState before = sandbox_.Snapshot();
    for (const Stop stop : {Stop::Cancel, Stop::Fail}) {
        Journal journal;
        RunStoppedAt(FullOptions(), StepCase{InstallSteps::Piece, 4}, stop, journal);
        EXPECT_EQ(CopiedEntries(journal), (std::vector<std::wstring>{L"first.txt", L"large.dat"}));
        EXPECT_EQ(sandbox_.Snapshot(), before);
        EXPECT_EQ(LiveReadAheadThreads(), 0u);
    }
    // Nothing selected ends the run before anything is read.
    const std::vector<ComponentDefinition> components = sandbox_.Manifest().Components;
    sandbox_.Manifest().Components = {ComponentDefinition{L"all", L"Всё", std::nullopt, L"\\", false, true},
                                      ComponentDefinition{L"files", L"Файлы", std::nullopt, L"large.dat", false},
                                      ComponentDefinition{L"txt", L"Тексты", std::nullopt, L"first.txt", false},
                                      ComponentDefinition{L"more", L"Ещё", std::nullopt, L"after.txt", false}};
    InstallEngine engine;
    EXPECT_THROW(engine.Install(sandbox_.Options()), InstallFailedException);
    EXPECT_EQ(LiveReadAheadThreads(), 0u);
    EXPECT_EQ(sandbox_.Snapshot(), before);

    // And the whole run, with what it decoded ahead, writes every byte.
    sandbox_.Manifest().Components = components;
    InstallEngine whole;
    whole.Install(FullOptions());
    for (const auto& [path, content] : contents) EXPECT_TRUE(ReadText(sandbox_.Target() / path) == content) << path;
    EXPECT_EQ(LiveReadAheadThreads(), 0u);
}

TEST_F(InstallEngineTest, APayloadPathLeadingOutsideFailsAndWritesNothingOutside) {
    fs::remove_all(sandbox_.Payload());
    fs::create_directories(sandbox_.Target().parent_path());
    for (const char* path : {"..\\Target-sibling\\x.dll", "..\\..\\escape.txt", "a\\..\\..\\up.txt"}) {
        const std::vector<std::byte> package =
            Tools::BuildPackage({{"first.txt", {std::byte('1')}}, {path, {std::byte('x')}}});
        std::ofstream(sandbox_.Setup() / "payload.rqpk", std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(package.data()), static_cast<std::streamsize>(package.size()));
        auto outsideOfTarget = [&] {
            auto tree = Tree(sandbox_.Target().parent_path().parent_path());
            std::erase_if(tree, [](const auto& item) { return item.first.starts_with(L"vendor\\Target"); });
            return tree;
        };
        const auto outside = outsideOfTarget();
        InstallEngine engine;
        try {
            engine.Install(FullOptions());
            ADD_FAILURE() << path;
        } catch (const InstallFailedException& e) {
            EXPECT_EQ(e.Message(), L"Недопустимый путь в пакете: " + fs::path(path).wstring());
        }
        EXPECT_EQ(outsideOfTarget(), outside) << path;
        // What was copied before the bad entry is taken away again: nothing half-installed stays.
        EXPECT_FALSE(fs::exists(sandbox_.Target() / "first.txt")) << path;
        EXPECT_FALSE(fs::exists(sandbox_.Target())) << path;
    }
}

TEST_F(InstallEngineTest, ALockedFileIsAskedAboutUntilItIsFreeOrGivenUp) {
    InstallEarlierVersion();
    const std::wstring locked = (sandbox_.Target() / "app.exe").wstring();
    struct Case {
        int retriesBeforeRelease;  // -1: the callback gives up on the second question
        bool succeeds;
    };
    for (const Case c : {Case{3, true}, Case{-1, false}}) {
        const std::string earlier = ReadText(locked);
        HANDLE holder = CreateFileW(locked.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        InstallEngine engine;
        Journal journal;
        journal.Attach(engine);
        int questions = 0;
        engine.FileLockHandler = [&](const FileLockInfo& info) {
            EXPECT_EQ(info.Path(), locked);
            ++questions;
            if (c.retriesBeforeRelease < 0)
                return questions == 2 ? FileLockResolution::Abort : FileLockResolution::Retry;
            if (questions == c.retriesBeforeRelease) CloseHandle(std::exchange(holder, INVALID_HANDLE_VALUE));
            return FileLockResolution::Retry;
        };
        if (c.succeeds) {
            engine.Install(FullOptions());
            EXPECT_EQ(questions, 3);
            EXPECT_EQ(ReadText(locked), "app v2");
        } else {
            try {
                engine.Install(FullOptions());
                ADD_FAILURE() << "a given-up lock succeeded";
            } catch (const InstallFailedException& e) {
                EXPECT_TRUE(e.Message().starts_with(L"Файл «app.exe» занят другим приложением. ")) << e.what();
            }
            EXPECT_EQ(questions, 2);
            EXPECT_EQ(ReadText(locked), earlier);
        }
        EXPECT_EQ(std::count_if(journal.Lines.begin(), journal.Lines.end(),
                                [](const std::wstring& l) { return l.starts_with(L"Файл занят: app.exe"); }),
                  questions);
        if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
        EXPECT_TRUE(AsidesIn(sandbox_.Target()).empty());
    }
}

TEST_F(InstallEngineTest, WithoutACallbackALockedFileFailsAtOnceAndTheEarlierFileStays) {
    InstallEarlierVersion();
    const fs::path locked = sandbox_.Target() / "bin" / "tools" / "tool.dll";
    // A holder that lets the file be renamed (as a running program does) still locks it.
    for (const DWORD sharing : {DWORD{FILE_SHARE_READ}, DWORD{FILE_SHARE_READ | FILE_SHARE_DELETE}}) {
        HANDLE holder = CreateFileW(locked.c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        InstallEngine engine;
        try {
            engine.Install(FullOptions());
            ADD_FAILURE() << "a locked file was replaced, sharing " << sharing;
        } catch (const InstallFailedException& e) {
            EXPECT_TRUE(e.Message().starts_with(L"Файл «tool.dll» занят другим приложением. ")) << e.what();
        }
        CloseHandle(holder);
        EXPECT_EQ(ReadText(locked), "tool v1") << sharing;
        EXPECT_EQ(ReadText(sandbox_.Target() / "app.exe"), "app v1") << sharing;
        EXPECT_TRUE(AsidesIn(sandbox_.Target()).empty()) << sharing;
    }
}

TEST_F(InstallEngineTest, APayloadUninstallerIsTakenAwayByTheCleanUp) {
    sandbox_.AddPayload("uninstall.exe", "payload uninstaller");
    const MachineState before = sandbox_.Snapshot();
    Journal journal;
    RunStoppedAt(FullOptions(), StepCase{InstallSteps::Shortcuts, 1}, Stop::Fail, journal);
    EXPECT_EQ(sandbox_.Snapshot(), before);

    // Kept under ".old" after a successful run, as any uninstaller found in the directory.
    InstallEngine engine;
    const InstallRecord record = engine.Install(FullOptions());
    EXPECT_EQ(ReadText(sandbox_.Target() / "uninstall.exe"), "setup program " + TestName());
    EXPECT_EQ(ReadText(sandbox_.Target() / "uninstall.exe.old"), "payload uninstaller");
    EXPECT_EQ(std::count(record.Files.begin(), record.Files.end(), L"uninstall.exe"), 1);
}

TEST_F(InstallEngineTest, AFolderInTheWayOfAFileCountsAsALock) {
    fs::create_directories(sandbox_.Target() / "docs" / "guide.txt");
    const auto before = sandbox_.Snapshot();
    InstallEngine engine;
    std::vector<FileLockInfo> questions;
    engine.FileLockHandler = [&](const FileLockInfo& info) {
        questions.push_back(info);
        return FileLockResolution::Abort;
    };
    try {
        engine.Install(FullOptions());
        ADD_FAILURE() << "a folder was overwritten";
    } catch (const InstallFailedException& e) {
        EXPECT_TRUE(e.Message().starts_with(L"Файл «guide.txt» занят другим приложением. ")) << e.what();
        EXPECT_TRUE(e.Cause());
    }
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].Path(), (sandbox_.Target() / "docs" / "guide.txt").wstring());
    EXPECT_TRUE(fs::is_directory(sandbox_.Target() / "docs" / "guide.txt"));
    // Giving up is the end of the run: what it copied before the question is gone again.
    EXPECT_EQ(sandbox_.Snapshot(), before);
}

TEST_F(InstallEngineTest, EmptyEntriesInstallWithATotalOfOneByte) {
    fs::remove_all(sandbox_.Payload());
    sandbox_.AddPayload("a.txt", "");
    sandbox_.AddPayload("b.txt", "");
    ScopedNumberFormat comma(NumberFormat{L",", L"-"});
    InstallEngine engine;
    Journal journal;
    journal.Attach(engine);
    engine.Install(sandbox_.Options());
    EXPECT_TRUE(journal.Logged(L"Файлов к установке: 2 (1 Б)"));
    int copies = 0;
    for (const InstallProgress& report : journal.Reports) {
        if (report.Status() != L"Копирование файлов") continue;
        EXPECT_EQ(report.Fraction(), 0.05);
        ++copies;
    }
    EXPECT_EQ(copies, 2);
    EXPECT_TRUE(journal.Logged(L"Установка завершена за 0,"));
}

TEST_F(InstallEngineTest, NothingIsWrittenWhenThereIsNoPayloadOrNothingSelected) {
    sandbox_.Manifest().Components = {ComponentDefinition{L"all", L"Всё", std::nullopt, L"\\", false, true},
                                      ComponentDefinition{L"rest", L"Остальное", std::nullopt, L"app.exe", false}};
    fs::remove_all(sandbox_.Payload() / "bin");
    fs::remove_all(sandbox_.Payload() / "docs");
    const MachineState before = sandbox_.Snapshot();
    InstallEngine engine;
    try {
        engine.Install(sandbox_.Options());
        ADD_FAILURE();
    } catch (const InstallFailedException& e) {
        EXPECT_EQ(e.Message(), L"В выбранных компонентах нет файлов для установки.");
    }
    fs::remove_all(sandbox_.Payload());
    try {
        engine.Install(sandbox_.Options());
        ADD_FAILURE();
    } catch (const InstallFailedException& e) {
        EXPECT_EQ(e.Message(),
                  L"Не найден пакет с файлами приложения (payload.zip). Соберите установщик заново вместе "
                  L"с пакетом файлов.");
    }
    EXPECT_FALSE(fs::exists(sandbox_.Target()));
    const MachineState after = sandbox_.Snapshot();
    EXPECT_FALSE(after.Entry);
    EXPECT_EQ(after.Path, before.Path);
}

TEST_F(InstallEngineTest, InstallAsyncIsCancelledBeforeTheNextFile) {
    const MachineState before = sandbox_.Snapshot();
    InstallEngine engine;
    CancellationTokenSource cancel;
    std::vector<std::wstring> copied;
    Journal journal;
    engine.Progress.Subscribe([&](InstallEngine&, const InstallProgress& p) {
        if (p.Status() != L"Копирование файлов") return;
        copied.push_back(*p.Detail());
        // Asked while the second file is announced: it is the last one the run reaches.
        if (copied.size() == 2) cancel.request_stop();
    });
    journal.Attach(engine);
    auto run = engine.InstallAsync(FullOptions(), cancel.get_token());
    EXPECT_THROW(run.get(), OperationCanceledException);
    EXPECT_EQ(copied.size(), 2u);
    EXPECT_EQ(journal.Lines.back(), L"Установка отменена, выполняется откат…");
    EXPECT_EQ(sandbox_.Snapshot(), before);

    // On the pool the links are made too: the pool's threads share the process's apartment.
    InstallEngine second;
    const InstallRecord record = second.InstallAsync(FullOptions()).get();
    EXPECT_TRUE(fs::exists(sandbox_.Target() / "app.exe"));
    EXPECT_EQ(record.Shortcuts.size(), 3u);
    EXPECT_EQ(record.InstallDir, sandbox_.Target().wstring());
}

TEST_F(InstallEngineTest, TheMainExecutableIsTheFirstProgramAtTheTopButNeverTheUninstaller) {
    const fs::path dir = sandbox_.Root() / "main";
    WriteText(dir / "uninstall.exe", "u");
    WriteText(dir / "sub" / "deep.exe", "d");
    InstallManifest manifest;
    EXPECT_EQ(InstallEngine::ResolveMainExecutable(manifest, dir.wstring()), std::nullopt);
    WriteText(dir / "zeta.exe", "z");
    EXPECT_EQ(InstallEngine::ResolveMainExecutable(manifest, dir.wstring()), (dir / "zeta.exe").wstring());
    EXPECT_EQ(InstallEngine::ResolveMainExecutable(manifest, (dir / "missing").wstring()), std::nullopt);
    manifest.MainExecutable = L"bin\\absent.exe";
    EXPECT_EQ(InstallEngine::ResolveMainExecutable(manifest, dir.wstring()), (dir / "bin" / "absent.exe").wstring());
    manifest.IconPath = L"missing.ico";
    EXPECT_EQ(InstallEngine::ResolveIcon(manifest, dir.wstring()), (dir / "bin" / "absent.exe").wstring());
    WriteText(dir / "app.ico", "i");
    manifest.IconPath = L"app.ico";
    EXPECT_EQ(InstallEngine::ResolveIcon(manifest, dir.wstring()), (dir / "app.ico").wstring());
}

}  // namespace
}  // namespace Ravenquill::Core
