// The uninstall engine's rules over a stand-in machine: what it removes and in which order, which
// failures it skips, what it refuses to trust in a record, progress, cancellation and the final wait.
#include "core/engine/engines/uninstall_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/common/errors.h"
#include "core/common/path.h"
#include "core/common/text.h"
#include "core/engine/support/uninstall_fake_system.h"
#include "core/model/install_manifest.h"
#include "support/fake_host.h"

namespace Ravenquill::Core {
namespace {

using Testing::FakeUninstallSystem;

constexpr bool Windows = Path::Separator == L'\\';
const std::wstring Root = Windows ? L"C:\\RqFake" : L"/rqfake";
const std::wstring InstallDir = Path::Combine(Root, L"App");
const std::wstring Roaming = Path::Combine(Root, L"Roaming");

std::wstring Under(std::wstring relative) {
    std::replace_if(relative.begin(), relative.end(), Path::IsSeparator, Path::Separator);
    return Path::GetFullPath(Path::Combine(InstallDir, relative));
}

class UninstallEngineTest : public testing::Test {
protected:
    UninstallEngineTest() : host_(L"/elsewhere/uninstaller.exe"), scope_(host_) {
        system_->Roaming = Roaming;
        engine_.Log.Subscribe([this](UninstallEngine&, const std::wstring& line) { log_.push_back(line); });
        engine_.Progress.Subscribe([this](UninstallEngine&, const InstallProgress& p) { progress_.push_back(p); });
        record_.ProductName = L"Fake App";
        record_.ProductId = L"RqFakeApp";
        record_.Version = L"2.5";
        record_.InstallDir = InstallDir;
    }

    bool Called(const std::wstring& call) const {
        return std::find(system_->Calls.begin(), system_->Calls.end(), call) != system_->Calls.end();
    }
    bool Logged(const std::wstring& line) const { return std::find(log_.begin(), log_.end(), line) != log_.end(); }
    std::vector<std::wstring> CallsStartingWith(const std::wstring& verb) const {
        std::vector<std::wstring> out;
        for (const auto& c : system_->Calls)
            if (c.starts_with(verb + L" ")) out.push_back(c.substr(verb.size() + 1));
        return out;
    }

    Ravenquill::Testing::FakeHost host_;
    ScopedHost scope_;
    std::shared_ptr<FakeUninstallSystem> system_ = std::make_shared<FakeUninstallSystem>();
    UninstallEngine engine_{system_};
    InstallRecord record_;
    std::vector<std::wstring> log_;
    std::vector<InstallProgress> progress_;
};

TEST_F(UninstallEngineTest, RemovesEverythingTheRecordListsInOrder) {
    const std::wstring link = Path::Combine(Root, L"Desktop", L"Fake App.lnk");
    const std::wstring menu = Path::Combine(Root, L"Programs", L"Fake App");
    record_.Shortcuts = {link};
    record_.StartMenuDirectory = menu;
    record_.Files = {L"app.exe", L"bin\\core.dll"};
    record_.Directories = {L"bin"};
    record_.PathEntryAdded = true;
    system_->ExistingDirectories = {Under(L".ravenquill"), Path::Combine(Roaming, L"Fake App")};

    engine_.Uninstall(record_, false);

    const std::vector<std::wstring> expected = {
        L"delete-file " + link,
        L"delete-empty-dir " + menu,
        L"delete-file " + Under(L"app.exe"),
        L"delete-file " + Under(L"bin\\core.dll"),
        L"delete-empty-dir " + Under(L"bin"),
        L"remove-user-path " + InstallDir,
        L"delete-user-entry RqFakeApp",
        L"delete-tree " + Under(L".ravenquill"),
        L"delete-tree " + Path::Combine(Roaming, L"Fake App"),
    };
    EXPECT_EQ(system_->Calls, expected);
    EXPECT_EQ(log_, (std::vector<std::wstring>{L"Удаление «Fake App» 2.5", L"Каталог удалён из PATH",
                                               L"Удаление завершено"}));
}

// An update of the product lists the earlier uninstaller it kept aside; one that no record lists
// is another program's (renamed when this product was first installed over it) and stays.
TEST_F(UninstallEngineTest, TheEarlierUninstallerGoesOnlyWhenTheRecordListsIt) {
    const std::pair<std::vector<std::wstring>, std::vector<std::wstring>> cases[] = {
        {{L"app.exe", L"uninstall.exe.old"}, {Under(L"app.exe"), Under(L"uninstall.exe.old")}},
        {{L"app.exe"}, {Under(L"app.exe")}},
    };
    for (const auto& [files, deleted] : cases) {
        system_->Calls.clear();
        record_.Files = files;
        engine_.Uninstall(record_, true);
        EXPECT_EQ(CallsStartingWith(L"delete-file"), deleted);
    }
}

TEST_F(UninstallEngineTest, DirectoriesGoLongestFirstWithEqualLengthsInRecordOrder) {
    record_.Directories = {L"a", L"a\\bb", L"cc", L"a\\bb\\c", L"dd"};
    engine_.Uninstall(record_, true);
    EXPECT_EQ(
        CallsStartingWith(L"delete-empty-dir"),
        (std::vector<std::wstring>{Under(L"a\\bb\\c"), Under(L"a\\bb"), Under(L"cc"), Under(L"dd"), Under(L"a")}));
}

TEST_F(UninstallEngineTest, ProgressReportsEverySixteenthAndTheLastFile) {
    struct Case {
        int files;
        std::vector<double> fileFractions;  // the per-file reports between 0.20 and 0.80
    };
    const Case cases[] = {
        {0, {}},
        {1, {0.75}},
        {16, {0.75}},
        {17, {0.2 + 0.55 * 16 / 17, 0.75}},
        {33, {0.2 + 0.55 * 16 / 33, 0.2 + 0.55 * 32 / 33, 0.75}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.files);
        progress_.clear();
        record_.Files.clear();
        for (int i = 1; i <= c.files; ++i) record_.Files.push_back(L"f" + std::to_wstring(i));
        engine_.Uninstall(record_, true);

        std::vector<InstallProgress> expected = {
            {0.02, L"Подготовка", InstallDir}, {0.10, L"Удаление ярлыков"}, {0.20, L"Удаление файлов"}};
        for (std::size_t i = 0; i < c.fileFractions.size(); ++i) {
            const int done = i + 1 == c.fileFractions.size() ? c.files : static_cast<int>(16 * (i + 1));
            expected.emplace_back(c.fileFractions[i], L"Удаление файлов", L"f" + std::to_wstring(done));
        }
        expected.insert(expected.end(),
                        {{0.80, L"Очистка каталогов"}, {0.90, L"Удаление записи в системе"}, {1.0, L"Готово"}});
        ASSERT_EQ(progress_.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_NEAR(progress_[i].Fraction(), expected[i].Fraction(), 1e-12) << i;
            EXPECT_EQ(progress_[i].Status(), expected[i].Status()) << i;
            EXPECT_EQ(progress_[i].Detail(), expected[i].Detail()) << i;
        }
    }
}

TEST_F(UninstallEngineTest, InputOutputAndAccessDeniedFailuresAreSkippedWithALine) {
    record_.Files = {L"busy.dll", L"denied.dll", L"next.dll"};
    system_->Failures[Under(L"busy.dll")] = std::make_exception_ptr(SharingViolationException(L"Файл занят.", 32));
    system_->Failures[Under(L"denied.dll")] = std::make_exception_ptr(UnauthorizedAccessException(L"Отказано."));

    engine_.Uninstall(record_, true);

    EXPECT_TRUE(Logged(L"Пропущено (busy.dll): Файл занят."));
    EXPECT_TRUE(Logged(L"Пропущено (denied.dll): Отказано."));
    EXPECT_TRUE(Called(L"delete-file " + Under(L"next.dll")));
    EXPECT_TRUE(Logged(L"Удаление завершено"));
}

TEST_F(UninstallEngineTest, AMissingFolderSilencesAFileButSkipsAShortcut) {
    const std::wstring link = Path::Combine(Root, L"Gone Menu", L"x.lnk");
    record_.Shortcuts = {link};
    record_.Files = {L"gone\\x.dll"};
    const auto missingFolder = std::make_exception_ptr(DirectoryNotFoundException(L"Нет папки.", 3));
    system_->Failures[link] = missingFolder;
    system_->Failures[Under(L"gone\\x.dll")] = missingFolder;

    engine_.Uninstall(record_, true);

    EXPECT_TRUE(Logged(L"Пропущено (ярлык x.lnk): Нет папки."));
    EXPECT_FALSE(Logged(L"Пропущено (gone\\x.dll): Нет папки."));
    EXPECT_TRUE(Logged(L"Удаление завершено"));
}

TEST_F(UninstallEngineTest, OtherFailuresEndTheRun) {
    record_.Files = {L"odd.dll", L"next.dll"};
    system_->Failures[Under(L"odd.dll")] = std::make_exception_ptr(InvalidOperationException(L"Странно."));
    EXPECT_THROW(engine_.Uninstall(record_, true), InvalidOperationException);
    EXPECT_FALSE(Called(L"delete-file " + Under(L"next.dll")));
    EXPECT_FALSE(Logged(L"Удаление завершено"));
}

TEST_F(UninstallEngineTest, PathStepIsSkippedOnInputOutputAndEndsTheRunOnASecurityError) {
    record_.PathEntryAdded = true;
    record_.PerMachine = true;
    system_->Failures[InstallDir] = std::make_exception_ptr(IOException(L"Сбой записи."));
    engine_.Uninstall(record_, true);
    EXPECT_TRUE(Logged(L"Пропущено (запись в PATH): Сбой записи."));
    EXPECT_FALSE(Logged(L"Каталог удалён из PATH"));
    EXPECT_TRUE(Called(L"delete-machine-entry RqFakeApp"));

    system_->Calls.clear();
    system_->Failures[InstallDir] = std::make_exception_ptr(SecurityException(L"Нет доступа к реестру."));
    EXPECT_THROW(engine_.Uninstall(record_, true), SecurityException);
    EXPECT_FALSE(Called(L"delete-machine-entry RqFakeApp"));

    system_->Calls.clear();
    record_.PathEntryAdded = false;
    engine_.Uninstall(record_, true);
    EXPECT_TRUE(CallsStartingWith(L"remove-machine-path").empty());
}

// The record lies in a folder its user can write; the hive whose entry lists the folder decides
// whose entry and PATH the run removes.
TEST_F(UninstallEngineTest, TheScopeRemovedIsTheHiveWhoseEntryNamesTheFolder) {
    const std::wstring elsewhere = Path::Combine(Root, L"Other");
    struct Case {
        bool recorded;
        std::optional<std::wstring> machineEntry;
        std::optional<std::wstring> userEntry;
        bool removesMachine;
        // False where the entry of that scope lists another folder and is left to the installation there.
        bool deletesEntry = true;
    } const cases[] = {
        {true, InstallDir, std::nullopt, true},    // as recorded
        {false, std::nullopt, InstallDir, false},  // as recorded
        {true, std::nullopt, InstallDir, false},   // an edited record claims the machine
        {true, elsewhere, InstallDir, false},      // ... while the machine's entry is another folder's
        {false, InstallDir, std::nullopt, true},   // a record that understates its scope
        {true, InstallDir, InstallDir, true},      // both list it: the record picks
        {false, InstallDir, InstallDir, false},
        {true, std::nullopt, std::nullopt, true},  // no entry lists it: the record decides
        {false, elsewhere, std::nullopt, false},
        {true, std::nullopt, InstallDir + Path::Separator, false},  // the same folder, spelt with a separator
        {true, elsewhere, std::nullopt, true, false},               // the record's scope lists another installation
        {false, std::nullopt, elsewhere, false, false},
        {true, L"relative", std::nullopt, true},  // a location that cannot be compared: as before
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "recorded " << c.recorded << ", machine "
                                        << (c.machineEntry ? Text::ToUtf8(*c.machineEntry) : "-") << ", user "
                                        << (c.userEntry ? Text::ToUtf8(*c.userEntry) : "-"));
        system_->Calls.clear();
        system_->LocationInHive.clear();
        if (c.machineEntry) system_->LocationInHive[true] = *c.machineEntry;
        if (c.userEntry) system_->LocationInHive[false] = *c.userEntry;
        record_.PerMachine = c.recorded;
        record_.PathEntryAdded = true;
        // The other installation's entry stays listed, and that is not a lack of rights.
        system_->EntryRemains = !c.deletesEntry;
        log_.clear();

        engine_.Uninstall(record_, true);

        const std::wstring scope = c.removesMachine ? L"machine" : L"user";
        const std::wstring other = c.removesMachine ? L"user" : L"machine";
        EXPECT_EQ(Called(L"delete-" + scope + L"-entry RqFakeApp"), c.deletesEntry);
        EXPECT_EQ(Logged(L"Пропущено (ключ реестра): Запись в списке установленных программ относится к установке в "
                         L"другом каталоге."),
                  !c.deletesEntry);
        EXPECT_TRUE(Called(L"remove-" + scope + L"-path " + InstallDir));
        EXPECT_FALSE(Called(L"delete-" + other + L"-entry RqFakeApp"));
        EXPECT_TRUE(CallsStartingWith(L"remove-" + other + L"-path").empty());
    }
}

TEST_F(UninstallEngineTest, AnInstallDirectoryThatIsNotAFullPathFailsBeforeAnythingIsRemoved) {
    std::vector<std::wstring> dirs = {L"", L"   ", L"App", L"..\\App", L".\\App"};
    if (Windows) dirs.insert(dirs.end(), {L"C:App", L"\\App", L"C:"});
    record_.Files = {L"app.exe"};
    record_.Shortcuts = {Path::Combine(Root, L"x.lnk")};
    record_.PathEntryAdded = true;
    for (const std::wstring& dir : dirs) {
        SCOPED_TRACE(Text::ToUtf8(dir));
        record_.InstallDir = dir;
        EXPECT_THROW(engine_.Uninstall(record_, false), InvalidDataException);
        EXPECT_TRUE(system_->Calls.empty());
    }
}

TEST_F(UninstallEngineTest, RecordedPathsOutsideTheInstallDirectoryAreSkipped) {
    const std::wstring elsewhere = Path::Combine(Root, L"Other", L"victim.dll");
    const std::wstring sibling = Path::Combine(Root, L"App2", L"victim.dll");
    record_.Files = {L"..\\Other\\victim.dll", L"../Other/victim.dll", elsewhere, sibling, L"", L".", L"ok.dll"};
    record_.Directories = {L"..", L"..\\Other", elsewhere, L"", L"."};

    engine_.Uninstall(record_, true);

    EXPECT_EQ(CallsStartingWith(L"delete-file"), std::vector<std::wstring>{Under(L"ok.dll")});
    EXPECT_TRUE(CallsStartingWith(L"delete-empty-dir").empty());
    const std::wstring reason = L"Путь ведёт за пределы каталога установки.";
    for (const std::wstring& rel : record_.Files) {
        if (rel != L"ok.dll") {
            EXPECT_TRUE(Logged(L"Пропущено (" + rel + L"): " + reason)) << Text::ToUtf8(rel);
        }
    }
    for (const std::wstring& rel : record_.Directories)
        EXPECT_TRUE(Logged(L"Пропущено (" + rel + L"): " + reason)) << Text::ToUtf8(rel);
}

TEST_F(UninstallEngineTest, NothingIsRemovedThroughALinkedFolder) {
    system_->LinkedDirectories = {Under(L"data"), Path::Combine(Roaming, L"Fake App")};
    system_->ExistingDirectories = {Path::Combine(Roaming, L"Fake App"), Under(L".ravenquill")};
    system_->LinkedDirectories.insert(Under(L".ravenquill"));
    record_.Files = {L"data\\victim.txt", L"data\\deep\\victim.txt", L"app.exe"};
    record_.Directories = {L"data\\deep", L"data"};

    engine_.Uninstall(record_, false);

    EXPECT_EQ(CallsStartingWith(L"delete-file"), std::vector<std::wstring>{Under(L"app.exe")});
    // The link itself goes to the file layer, which leaves a link alone; what lies behind it does not.
    EXPECT_EQ(CallsStartingWith(L"delete-empty-dir"), std::vector<std::wstring>{Under(L"data")});
    EXPECT_TRUE(CallsStartingWith(L"delete-tree").empty());
    const std::wstring reason = L"Путь проходит через ссылку на другую папку.";
    EXPECT_TRUE(Logged(L"Пропущено (data\\victim.txt): " + reason));
    EXPECT_TRUE(Logged(L"Пропущено (data\\deep): " + reason));
    EXPECT_TRUE(Logged(L"Пропущено (служебные данные): " + reason));
    EXPECT_TRUE(Logged(L"Пропущено (пользовательские данные): " + reason));
}

TEST_F(UninstallEngineTest, OnlyFullShortcutPathsEndingInLnkAreDeleted) {
    const std::wstring good = Path::Combine(Root, L"Desktop", L"Fake App.LNK");
    const std::wstring document = Path::Combine(Root, L"Documents", L"thesis.docx");
    record_.Shortcuts = {document, L"Fake App.lnk", good, Path::Combine(Root, L"Desktop")};
    record_.StartMenuDirectory = L"Programs\\Fake App";

    engine_.Uninstall(record_, true);

    EXPECT_EQ(CallsStartingWith(L"delete-file"), std::vector<std::wstring>{good});
    EXPECT_TRUE(CallsStartingWith(L"delete-empty-dir").empty());
    EXPECT_TRUE(Logged(L"Пропущено (ярлык thesis.docx): Путь не является полным путём к файлу ярлыка (.lnk)."));
    EXPECT_TRUE(Logged(L"Пропущено (ярлык Fake App.lnk): Путь не является полным путём к файлу ярлыка (.lnk)."));
    EXPECT_TRUE(Logged(L"Пропущено (папка меню «Пуск»): Путь не является полным путём."));
}

TEST_F(UninstallEngineTest, UserDataFolderIsRemovedOnlyForAPlainFolderName) {
    struct Case {
        std::wstring name;
        bool removed;
    };
    const Case cases[] = {
        {L"Fake App", true}, {L"Приложение 2", true}, {L"", false},    {L"  ", false},  {L".", false},
        {L"..", false},      {L"a\\b", false},        {L"a/b", false}, {L"C:x", false}, {L"x.", false},
        {L"x ", false},      {L"a|b", false},         {L"a*", false},  {Root, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Text::ToUtf8(c.name));
        system_->Calls.clear();
        log_.clear();
        record_.ProductName = c.name;
        system_->ExistingDirectories = {Path::Combine(Roaming, c.name), Roaming};
        engine_.Uninstall(record_, false);
        const auto trees = CallsStartingWith(L"delete-tree");
        if (c.removed) {
            EXPECT_EQ(trees, std::vector<std::wstring>{Path::Combine(Roaming, c.name)});
        } else {
            EXPECT_TRUE(trees.empty());
            EXPECT_TRUE(
                Logged(L"Пропущено (пользовательские данные): Название продукта не может служить именем папки."));
        }
    }
}

TEST_F(UninstallEngineTest, KeepingUserDataLeavesTheRoamingFolderAlone) {
    system_->ExistingDirectories = {Path::Combine(Roaming, L"Fake App")};
    engine_.Uninstall(record_, true);
    EXPECT_TRUE(CallsStartingWith(L"delete-tree").empty());
}

TEST_F(UninstallEngineTest, TheRunningExecutableStaysSilentlyAndStillCounts) {
    Ravenquill::Testing::FakeHost running(Under(L"uninstall.exe"));
    ScopedHost scope(running);
    for (int i = 1; i <= 15; ++i) record_.Files.push_back(L"f" + std::to_wstring(i));
    record_.Files.push_back(L"UNINSTALL.EXE");

    engine_.Uninstall(record_, true);

    EXPECT_EQ(CallsStartingWith(L"delete-file").size(), 15u);
    EXPECT_FALSE(Called(L"delete-file " + Under(L"UNINSTALL.EXE")));
    EXPECT_EQ(log_.size(), 2u);
    EXPECT_EQ(progress_[3], InstallProgress(0.75, L"Удаление файлов", L"UNINSTALL.EXE"));
}

TEST_F(UninstallEngineTest, PerMachineEntryOrRecordLeftForLackOfRightsFailsTheRun) {
    record_.PerMachine = true;
    system_->ExistingDirectories = {Under(L".ravenquill")};

    // The registry layer keeps quiet about an entry it may not open for writing.
    system_->EntryRemains = true;
    EXPECT_THROW(engine_.Uninstall(record_, false), UnauthorizedAccessException);
    EXPECT_TRUE(CallsStartingWith(L"delete-tree").empty()) << "the record stays for a later try with rights";

    system_->Calls.clear();
    system_->EntryRemains = false;
    system_->Failures[L"RqFakeApp"] = std::make_exception_ptr(UnauthorizedAccessException(L"Отказано."));
    EXPECT_THROW(engine_.Uninstall(record_, false), UnauthorizedAccessException);

    system_->Calls.clear();
    system_->Failures.clear();
    system_->Failures[Under(L".ravenquill")] = std::make_exception_ptr(UnauthorizedAccessException(L"Отказано."));
    EXPECT_THROW(engine_.Uninstall(record_, false), UnauthorizedAccessException);

    // Per user, the same refusals stay skipped steps.
    log_.clear();
    record_.PerMachine = false;
    system_->EntryRemains = true;
    system_->Failures[L"RqFakeApp"] = std::make_exception_ptr(UnauthorizedAccessException(L"Отказано."));
    EXPECT_NO_THROW(engine_.Uninstall(record_, false));
    EXPECT_TRUE(Logged(L"Пропущено (ключ реестра): Отказано."));
    EXPECT_TRUE(Logged(L"Пропущено (служебные данные): Отказано."));
}

TEST_F(UninstallEngineTest, ABlankOrNestedProductIdNeverReachesTheRegistry) {
    for (const std::wstring id : {L"", L"  ", L"Other\\Sub"}) {
        record_.ProductId = id;
        engine_.Uninstall(record_, true);
    }
    EXPECT_TRUE(CallsStartingWith(L"delete-user-entry").empty());
}

TEST_F(UninstallEngineTest, CancellationIsTestedBeforeEachShortcutAndFileAndDuringTheWait) {
    record_.Shortcuts = {Path::Combine(Root, L"a.lnk"), Path::Combine(Root, L"b.lnk")};
    record_.Files = {L"one", L"two", L"three"};
    struct Case {
        std::wstring cancelAt;  // the call during which the token is cancelled
        std::wstring lastCall;
    };
    const Case cases[] = {
        {Path::Combine(Root, L"a.lnk"), L"delete-file " + Path::Combine(Root, L"a.lnk")},
        {Under(L"two"), L"delete-file " + Under(L"two")},
        {L"RqFakeApp", L"delete-user-entry RqFakeApp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Text::ToUtf8(c.cancelAt));
        system_->Calls.clear();
        system_->Waits.clear();
        progress_.clear();
        CancellationTokenSource source;
        system_->Before = {{c.cancelAt, [&] { source.request_stop(); }}};
        EXPECT_THROW(engine_.Uninstall(record_, true, source.get_token()), OperationCanceledException);
        EXPECT_EQ(system_->Calls.back(), c.lastCall);
        EXPECT_NE(progress_.back().Status(), L"Готово");
    }
}

TEST_F(UninstallEngineTest, AQuickRunWaitsForTheRestOfTheMinimumDuration) {
    engine_.Uninstall(record_, true);
    ASSERT_EQ(system_->Waits.size(), 1u);
    EXPECT_LE(system_->Waits[0], std::chrono::milliseconds(1200));
    EXPECT_GT(system_->Waits[0], std::chrono::milliseconds(1000));
}

TEST_F(UninstallEngineTest, AsyncRunEndsWithTheRunsFailure) {
    CancellationTokenSource source;
    source.request_stop();
    record_.Files = {L"one"};
    auto future = engine_.UninstallAsync(record_, true, source.get_token());
    EXPECT_THROW(future.get(), OperationCanceledException);
    EXPECT_TRUE(system_->Calls.empty());
    EXPECT_NO_THROW(engine_.UninstallAsync(record_, true).get());
}

// A record lies in the folder it describes. One found in another folder (a copied or moved
// installation, a record made by hand) must not lead the removal into the folder it names.
TEST_F(UninstallEngineTest, AFoundRecordNamingAnotherFolderIsTheRecordOfTheFolderItWasFoundIn) {
    const std::filesystem::path base = std::filesystem::temp_directory_path() / "rq-uninstall-found-record";
    std::filesystem::remove_all(base);
    const std::wstring found = Path::Combine(Text::FromUtf8(base.string()), L"Copy");
    const std::wstring alias = Path::Combine(Root, L"Alias of Copy");
    system_->SameDirectories = {{alias, found}};
    InstallManifest manifest;
    manifest.ProductId = record_.ProductId;
    const struct {
        std::wstring recorded;
        std::wstring expected;
    } cases[] = {
        {InstallDir, found},  // elsewhere: the folder it was found in
        {Text::ToUpper(found) + Path::Separator, Text::ToUpper(found) + Path::Separator},  // the same, spelt otherwise
        {alias, alias},                                                                    // the same folder on disk
        {L"", L""},  // no usable directory: left to fail its run
        {L"App", L"App"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Text::ToUtf8(c.recorded));
        record_.InstallDir = c.recorded;
        InstallRecord::Save(record_, found);
        const std::optional<FoundInstallation> installation =
            UninstallEngine::FindInstallation(manifest, found, *system_);
        ASSERT_TRUE(installation.has_value());
        EXPECT_EQ(installation->InstallDir, found);
        EXPECT_EQ(installation->Record.InstallDir, c.expected);
    }

    record_.InstallDir = InstallDir;
    record_.Files = {L"app.exe"};
    InstallRecord::Save(record_, found);
    const auto installation = UninstallEngine::FindInstallation(manifest, found, *system_);
    ASSERT_TRUE(installation.has_value());
    engine_.Uninstall(installation->Record, true);
    EXPECT_EQ(CallsStartingWith(L"delete-file"), std::vector<std::wstring>{Path::Combine(found, L"app.exe")});
    std::filesystem::remove_all(base);
}

}  // namespace
}  // namespace Ravenquill::Core
