// The uninstall engine on the test prefix itself: real folders, links, shortcuts, the user's PATH,
// the uninstall entry and the roaming folder. Each test has its own product id, name and folders.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/common/errors.h"
#include "core/common/file_system.h"
#include "core/common/path.h"
#include "core/common/text.h"
#include "core/common/unique_handle.h"
#include "core/engine/engines/uninstall_engine.h"
#include "core/engine/platform/path_variable.h"
#include "core/engine/platform/shortcut.h"
#include "core/engine/platform/uninstall_registry.h"
#include "core/engine/support/host_socket_win32.h"
#include "core/engine/support/uninstall_timeout_support.h"

namespace fs = std::filesystem;

namespace Ravenquill::Core {
namespace {

std::wstring KnownFolder(FileSystem::KnownFolder folder) {
    const std::optional<std::wstring> path = FileSystem::KnownFolderPath(folder);
    EXPECT_TRUE(path.has_value());
    return path.value_or(L"");
}

void WriteFile(const fs::path& path, const std::string& text = "data") {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

bool KeyExists(HKEY hive, const std::wstring& productId) {
    UniqueHKey key;
    const auto path = UninstallRegistry::EntryKeyPath(productId);
    return RegOpenKeyExW(hive, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, key.put()) == ERROR_SUCCESS;
}

void DeleteKey(HKEY hive, const std::wstring& productId) {
    RegDeleteTreeW(hive, UninstallRegistry::EntryKeyPath(productId).c_str());
    RegDeleteKeyExW(hive, UninstallRegistry::EntryKeyPath(productId).c_str(), KEY_WOW64_64KEY, 0);
}

std::optional<std::wstring> UserPath() {
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, L"Environment", L"PATH", RRF_RT_ANY | RRF_NOEXPAND, nullptr, nullptr, &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::wstring text(size / sizeof(wchar_t), L'\0');
    RegGetValueW(HKEY_CURRENT_USER, L"Environment", L"PATH", RRF_RT_ANY | RRF_NOEXPAND, nullptr, text.data(), &size);
    text.resize(wcslen(text.c_str()));
    return text;
}

void SetUserPath(const std::optional<std::wstring>& value) {
    UniqueHKey key;
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_CURRENT_USER, L"Environment", 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr),
        ERROR_SUCCESS);
    if (value) {
        RegSetValueExW(key.get(), L"PATH", 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()),
                       static_cast<DWORD>((value->size() + 1) * sizeof(wchar_t)));
    } else {
        RegDeleteValueW(key.get(), L"PATH");
    }
}

// Everything under the folder, relative with '\', directories included.
std::set<std::wstring> Tree(const fs::path& root) {
    std::set<std::wstring> entries;
    if (!fs::exists(root)) return entries;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        std::wstring rel = entry.path().lexically_relative(root).wstring();
        std::replace(rel.begin(), rel.end(), L'/', L'\\');
        entries.insert(rel);
    }
    return entries;
}

class UninstallEngineWin32Test : public testing::Test {
protected:
    void SetUp() override {
        const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
        const std::wstring wide(name.begin(), name.end());
        root_ = fs::temp_directory_path() / (L"RqUninstall-" + wide);
        Clear(root_);
        fs::create_directories(root_);
        installDir_ = (root_ / L"App").wstring();
        productId_ = L"RqUninstallTest-" + wide;
        productName_ = L"Rq Uninstall " + wide;
        roamingFolder_ = Path::Combine(KnownFolder(FileSystem::KnownFolder::RoamingAppData), productName_);
        menuFolder_ = Path::Combine(KnownFolder(FileSystem::KnownFolder::Programs), productName_);
        desktopLink_ = Path::Combine(KnownFolder(FileSystem::KnownFolder::Desktop), productName_ + L".lnk");
        savedPath_ = UserPath();
        engine_.Log.Subscribe([this](UninstallEngine&, const std::wstring& line) { log_.push_back(line); });
    }

    void TearDown() override {
        SetUserPath(savedPath_);
        DeleteKey(HKEY_CURRENT_USER, productId_);
        DeleteKey(HKEY_LOCAL_MACHINE, productId_);
        Clear(roamingFolder_);
        Clear(menuFolder_);
        DeleteFileW(desktopLink_.c_str());
        Clear(root_);
    }

    // Removes a folder for the test's own tidying; links inside are removed, never entered.
    static void Clear(const fs::path& path) {
        if (FileSystem::IsLinkedDirectory(path.wstring())) {
            RemoveDirectoryW(path.c_str());
            return;
        }
        if (FileSystem::DirectoryExists(path.wstring())) FileSystem::DeleteTree(path.wstring());
    }

    // An installation as the installer leaves it: files, folders, links, PATH entry, uninstall entry,
    // record and the user's data.
    InstallRecord MakeInstallation(bool perMachine = false) {
        InstallRecord record;
        record.ProductName = productName_;
        record.ProductId = productId_;
        record.Version = L"1.4.2";
        record.Publisher = L"Rq Tests";
        record.InstallDir = installDir_;
        record.PerMachine = perMachine;
        record.Files = {L"app.exe", L"bin\\core.dll", L"bin\\plugins\\extra.dll", L"docs\\readme.txt",
                        L"uninstall.exe"};
        record.Directories = {L"bin", L"bin\\plugins", L"docs"};
        for (const auto& file : record.Files) WriteFile(fs::path(installDir_) / file);
        SetFileAttributesW((fs::path(installDir_) / L"bin\\core.dll").c_str(), FILE_ATTRIBUTE_READONLY);

        const std::wstring exe = Path::Combine(installDir_, L"app.exe");
        Shortcut::Create(desktopLink_, exe);
        Shortcut::Create(Path::Combine(menuFolder_, productName_ + L".lnk"), exe);
        Shortcut::Create(Path::Combine(menuFolder_, L"Удалить " + productName_ + L".lnk"),
                         Path::Combine(installDir_, L"uninstall.exe"), std::nullopt, std::nullopt, std::nullopt,
                         std::wstring(L"--uninstall"));
        record.Shortcuts = {desktopLink_, Path::Combine(menuFolder_, productName_ + L".lnk"),
                            Path::Combine(menuFolder_, L"Удалить " + productName_ + L".lnk")};
        record.StartMenuDirectory = menuFolder_;

        if (!perMachine) record.PathEntryAdded = PathVariable::Add(installDir_, false);
        UninstallRegistry::Write(record, Path::Combine(installDir_, L"uninstall.exe"), 4096, std::nullopt,
                                 std::nullopt);
        InstallRecord::Save(record, installDir_);
        WriteFile(fs::path(roamingFolder_) / L"settings.json", "{}");
        return record;
    }

    bool Logged(const std::wstring& line) const { return std::find(log_.begin(), log_.end(), line) != log_.end(); }

    fs::path root_;
    std::wstring installDir_;
    std::wstring productId_;
    std::wstring productName_;
    std::wstring roamingFolder_;
    std::wstring menuFolder_;
    std::wstring desktopLink_;
    std::optional<std::wstring> savedPath_;
    UninstallEngine engine_;
    std::vector<std::wstring> log_;
};

TEST_F(UninstallEngineWin32Test, UninstallTakesAwayExactlyWhatTheInstallationPutThere) {
    const std::optional<std::wstring> pathBefore = UserPath();
    MakeInstallation();
    WriteFile(fs::path(installDir_) / L"docs\\notes.txt", "the user's own");
    ASSERT_TRUE(KeyExists(HKEY_CURRENT_USER, productId_));
    InstallManifest manifest;
    manifest.ProductId = productId_;
    const auto found = UninstallEngine::FindInstallation(manifest, installDir_);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->InstallDir, installDir_);

    const auto started = std::chrono::steady_clock::now();
    engine_.UninstallAsync(found->Record, false).get();
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1200));

    // The folder a user file keeps stays, without a line; the install directory itself stays too.
    EXPECT_EQ(Tree(installDir_), (std::set<std::wstring>{L"docs", L"docs\\notes.txt"}));
    EXPECT_FALSE(fs::exists(desktopLink_));
    EXPECT_FALSE(fs::exists(menuFolder_));
    EXPECT_FALSE(fs::exists(roamingFolder_));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, productId_));
    EXPECT_EQ(UserPath(), pathBefore);
    EXPECT_EQ(log_, (std::vector<std::wstring>{L"Удаление «" + productName_ + L"» 1.4.2", L"Каталог удалён из PATH",
                                               L"Удаление завершено"}));
}

TEST_F(UninstallEngineWin32Test, KeepingUserDataLeavesTheRoamingFolder) {
    const InstallRecord record = MakeInstallation();
    engine_.Uninstall(record, true);
    EXPECT_TRUE(fs::exists(fs::path(roamingFolder_) / L"settings.json"));
    EXPECT_FALSE(fs::exists(InstallRecord::PathFor(installDir_)));
}

TEST_F(UninstallEngineWin32Test, ARecordNamingThingsOutsideTheInstallationTouchesNoneOfThem) {
    InstallRecord record = MakeInstallation();
    const fs::path outside = root_ / L"Outside";
    const fs::path sibling = root_ / L"App2";
    WriteFile(outside / L"victim.txt");
    WriteFile(outside / L"deep\\victim.txt");
    WriteFile(sibling / L"victim.txt");
    WriteFile(outside / L"document.txt");
    // The test prefix can make neither junctions nor directory links, so the rule that nothing is
    // removed through one is tested against a stand-in machine instead.
    record.Files.insert(record.Files.end(), {L"..\\Outside\\victim.txt", (outside / L"victim.txt").wstring(),
                                             L"..\\Outside\\deep\\victim.txt", L"..\\App2\\victim.txt"});
    record.Directories.insert(record.Directories.end(), {L"..\\Outside\\deep", L"..", L"..\\Outside"});
    record.Shortcuts.push_back((outside / L"document.txt").wstring());

    engine_.Uninstall(record, false);

    EXPECT_EQ(Tree(outside), (std::set<std::wstring>{L"deep", L"deep\\victim.txt", L"victim.txt", L"document.txt"}));
    EXPECT_TRUE(fs::exists(sibling / L"victim.txt"));
    EXPECT_TRUE(Logged(L"Пропущено (..\\Outside\\victim.txt): Путь ведёт за пределы каталога установки."));
    EXPECT_TRUE(Logged(L"Пропущено (ярлык document.txt): Путь не является полным путём к файлу ярлыка (.lnk)."));
    // What the record rightly names is still removed.
    EXPECT_FALSE(fs::exists(fs::path(installDir_) / L"app.exe"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, productId_));
}

TEST_F(UninstallEngineWin32Test, ACancelledRunStopsBeforeTheNextFile) {
    const InstallRecord record = MakeInstallation();
    CancellationTokenSource source;
    engine_.Progress.Subscribe([&](UninstallEngine&, const InstallProgress& p) {
        if (p.Status() == L"Удаление файлов") source.request_stop();
    });
    EXPECT_THROW(engine_.UninstallAsync(record, false, source.get_token()).get(), OperationCanceledException);
    for (const auto& file : record.Files) EXPECT_TRUE(fs::exists(fs::path(installDir_) / file)) << fs::path(file);
    EXPECT_FALSE(fs::exists(desktopLink_));  // the shortcuts went before the cancellation
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, productId_));
    EXPECT_FALSE(Logged(L"Удаление завершено"));
}

// The machine as a process without administrator rights sees it: removing the per-machine entry
// silently does nothing. (The test prefix always runs as an administrator.)
class WithoutRightsForTheEntry final : public UninstallSystem {
public:
    void DeleteFileIfExists(const std::wstring& p) override { machine_->DeleteFileIfExists(p); }
    void DeleteDirectoryIfEmpty(const std::wstring& p) override { machine_->DeleteDirectoryIfEmpty(p); }
    void DeleteTree(const std::wstring& p) override { machine_->DeleteTree(p); }
    bool DirectoryExists(const std::wstring& p) override { return machine_->DirectoryExists(p); }
    bool IsLinkedDirectory(const std::wstring& p) override { return machine_->IsLinkedDirectory(p); }
    bool IsSameDirectory(const std::wstring& a, const std::wstring& b) override {
        return machine_->IsSameDirectory(a, b);
    }
    void RemovePathEntry(const std::wstring& d, bool m) override { machine_->RemovePathEntry(d, m); }
    void DeleteUninstallEntry(const std::wstring&, bool) override {}
    bool UninstallEntryExists(const std::wstring& id, bool m) override { return machine_->UninstallEntryExists(id, m); }
    std::optional<std::wstring> FindInstalledLocation(const std::wstring& id) override {
        return machine_->FindInstalledLocation(id);
    }
    std::optional<std::wstring> InstalledLocationIn(const std::wstring& id, bool m) override {
        return machine_->InstalledLocationIn(id, m);
    }
    std::optional<std::wstring> RoamingAppData() override { return machine_->RoamingAppData(); }
    void Wait(std::chrono::nanoseconds d, const CancellationToken& t) override { machine_->Wait(d, t); }

private:
    std::shared_ptr<UninstallSystem> machine_ = MachineUninstallSystem();
};

TEST_F(UninstallEngineWin32Test, PerMachineEntryLeftForLackOfRightsIsAFailureAndKeepsTheRecord) {
    const InstallRecord record = MakeInstallation(true);
    ASSERT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, productId_));

    UninstallEngine unprivileged(std::make_shared<WithoutRightsForTheEntry>());
    EXPECT_THROW(unprivileged.Uninstall(record, false), UnauthorizedAccessException);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, productId_));
    EXPECT_TRUE(fs::exists(InstallRecord::PathFor(installDir_)));

    engine_.Uninstall(record, false);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, productId_));
    EXPECT_FALSE(fs::exists(InstallRecord::PathFor(installDir_)));
}

TEST_F(UninstallEngineWin32Test, FindInstallationFallsBackToTheRegisteredLocationAndTriesEachFolderOnce) {
    MakeInstallation();
    InstallManifest manifest;
    manifest.ProductId = productId_;
    const auto viaRegistry = UninstallEngine::FindInstallation(manifest, (root_ / L"Nothing Here").wstring());
    ASSERT_TRUE(viaRegistry);
    EXPECT_EQ(viaRegistry->InstallDir, installDir_);
    EXPECT_EQ(viaRegistry->Record.ProductId, productId_);

    DeleteKey(HKEY_CURRENT_USER, productId_);
    EXPECT_FALSE(UninstallEngine::FindInstallation(manifest, (root_ / L"Nothing Here").wstring()));
}

// A recorded file whose folder is gone is simply gone; a shortcut whose folder is gone cannot be
// deleted and is reported.
TEST_F(UninstallEngineWin32Test, AFileInAMissingFolderIsGoneQuietlyAShortcutThereIsSkipped) {
    InstallRecord record = MakeInstallation();
    fs::remove_all(fs::path(installDir_) / L"docs");
    const std::wstring lostLink = (root_ / L"No Such Menu" / L"x.lnk").wstring();
    record.Shortcuts.push_back(lostLink);

    engine_.Uninstall(record, true);

    for (const std::wstring& line : log_) EXPECT_EQ(line.find(L"docs"), std::wstring::npos) << Text::ToUtf8(line);
    const auto skipped = std::count_if(log_.begin(), log_.end(),
                                       [](const std::wstring& line) { return line.starts_with(L"Пропущено ("); });
    EXPECT_EQ(skipped, 1);
    EXPECT_TRUE(std::any_of(log_.begin(), log_.end(),
                            [](const std::wstring& line) { return line.starts_with(L"Пропущено (ярлык x.lnk): "); }));
    EXPECT_TRUE(Logged(L"Удаление завершено"));
    EXPECT_TRUE(Tree(installDir_).empty());
}

// A path through a device names no file the platform can look at: it answers with a code that names
// no file error of its own (ERROR_BAD_DEV_TYPE). That step is skipped like any input/output failure,
// and the rest of the removal goes on.
TEST_F(UninstallEngineWin32Test, AStepFailingWithAnUnnamedErrorIsSkippedAndTheRestGoesOn) {
    InstallRecord record = MakeInstallation();
    record.Shortcuts.insert(record.Shortcuts.begin(), L"\\\\.\\nul\\device.lnk");

    engine_.Uninstall(record, false);

    EXPECT_TRUE(std::any_of(log_.begin(), log_.end(), [](const std::wstring& line) {
        return line.starts_with(L"Пропущено (ярлык device.lnk): ");
    })) << Text::ToUtf8(log_.empty() ? L"" : log_.back());
    EXPECT_TRUE(Logged(L"Удаление завершено"));
    EXPECT_FALSE(fs::exists(desktopLink_));
    EXPECT_FALSE(fs::exists(menuFolder_));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, productId_));
    EXPECT_FALSE(fs::exists(roamingFolder_));
    EXPECT_TRUE(Tree(installDir_).empty());
}

// A copied (or moved) installation still holds a record that names the original folder: removing
// the copy must take the copy's files and never the original's.
TEST_F(UninstallEngineWin32Test, ARecordFoundInACopiedFolderRemovesTheCopyAndLeavesTheOriginal) {
    MakeInstallation();
    const fs::path copy = root_ / L"Copy";
    fs::copy(installDir_, copy, fs::copy_options::recursive);
    const std::set<std::wstring> original = Tree(installDir_);
    ASSERT_EQ(Tree(copy), original);

    InstallManifest manifest;
    manifest.ProductId = L"RqUninstallTest\\Nested";  // names no entry of its own: nothing to look up
    const auto found = UninstallEngine::FindInstallation(manifest, copy.wstring());
    ASSERT_TRUE(found);
    EXPECT_EQ(found->InstallDir, copy.wstring());
    EXPECT_EQ(found->Record.InstallDir, copy.wstring());

    engine_.Uninstall(found->Record, true);
    EXPECT_EQ(Tree(installDir_), original);
    EXPECT_TRUE(Tree(copy).empty());
    EXPECT_TRUE(fs::exists(copy));
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return done();
}

TEST_F(UninstallEngineWin32Test, SelfDeletionRemovesTheUninstallerAndThenTheEmptyFolder) {
    Testing::ProvideTimeout();
    const fs::path alone = root_ / L"Only Uninstaller";
    const fs::path kept = root_ / L"With User File";
    WriteFile(alone / L"uninstall.exe");
    WriteFile(kept / L"uninstall.exe");
    WriteFile(kept / L"notes.txt");

    // A relative directory is resolved here, not in the command processor's working directory.
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(root_.c_str()));
    const auto started = std::chrono::steady_clock::now();
    UninstallEngine::ScheduleSelfDelete(L"Only Uninstaller");
    UninstallEngine::ScheduleSelfDelete(kept.wstring() + L"\\");
    SetCurrentDirectoryW(previous);
    UninstallEngine::ScheduleSelfDelete((root_ / L"Not There").wstring());

    EXPECT_TRUE(fs::exists(alone / L"uninstall.exe")) << "the command waits before it deletes";
    EXPECT_TRUE(WaitUntil([&] { return !fs::exists(alone) && !fs::exists(kept / L"uninstall.exe"); },
                          std::chrono::seconds(30)));
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    EXPECT_TRUE(fs::exists(kept / L"notes.txt"));
    EXPECT_FALSE(fs::exists(root_ / L"Not There"));
}

// The folders the installation made above its own go after it, innermost first, each only when it
// is then empty; a recorded folder that does not contain the installation is never touched.
TEST_F(UninstallEngineWin32Test, SelfDeletionThenRemovesTheEmptyFoldersMadeAboveTheInstallation) {
    Testing::ProvideTimeout();
    const fs::path publisher = root_ / L"Publisher";
    const fs::path alone = publisher / L"Suite" / L"App";
    const fs::path shared = root_ / L"Shared";
    const fs::path beside = root_ / L"Beside";
    WriteFile(alone / L"uninstall.exe");
    WriteFile(shared / L"App" / L"uninstall.exe");
    WriteFile(shared / L"Other Product" / L"other.exe");
    fs::create_directories(beside);

    UninstallEngine::ScheduleSelfDelete(alone.wstring(),
                                        {publisher.wstring(), (publisher / L"Suite").wstring(), beside.wstring()});
    UninstallEngine::ScheduleSelfDelete((shared / L"App").wstring(), {shared.wstring()});

    EXPECT_TRUE(
        WaitUntil([&] { return !fs::exists(publisher) && !fs::exists(shared / L"App"); }, std::chrono::seconds(30)));
    EXPECT_TRUE(fs::exists(shared / L"Other Product" / L"other.exe"));
    EXPECT_TRUE(fs::exists(beside)) << "not above the installation";
}

// Only a missing record means that nothing is installed there: one that is there but cannot be
// read fails the search, with the reason, instead of passing for no installation at all.
TEST_F(UninstallEngineWin32Test, FindInstallationFailsForARecordThatIsThereButCannotBeRead) {
    MakeInstallation();
    InstallManifest manifest;
    manifest.ProductId = productId_;
    const std::wstring path = InstallRecord::PathFor(installDir_);
    const std::wstring prefix = L"Не удалось прочитать сведения об установке, поэтому ничего не удалено: ";
    {
        UniqueFileHandle held(
            CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
        try {
            UninstallEngine::FindInstallation(manifest, installDir_);
            ADD_FAILURE() << "a held record was taken for no installation";
        } catch (const IOException& e) {
            EXPECT_TRUE(e.Message().starts_with(prefix)) << Text::ToUtf8(e.Message());
        }
    }
    ASSERT_TRUE(fs::remove(path));
    if (Testing::MakeHostSocket(path)) {
        try {
            UninstallEngine::FindInstallation(manifest, installDir_);
            ADD_FAILURE() << "a record refused for an unnamed reason was taken for no installation";
        } catch (const IOException& e) {
            EXPECT_TRUE(e.Message().starts_with(prefix)) << Text::ToUtf8(e.Message());
        }
        Testing::RemoveHostSocket(path);
    }
    EXPECT_FALSE(UninstallEngine::FindInstallation(manifest, installDir_)) << "a missing record is no installation";
}

}  // namespace
}  // namespace Ravenquill::Core
