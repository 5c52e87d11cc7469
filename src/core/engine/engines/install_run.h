#pragma once
// The state of one installation run and its steps (Windows builds). Everything the run changes is
// journalled here so that a failure or cancellation can put the machine back as it was.
#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/common/file_system.h"
#include "install_engine.h"
#include "install_entry_backup.h"

namespace Ravenquill::Core {

// Names of the steps of a run, as the step hook receives them.
namespace InstallSteps {
inline constexpr std::wstring_view Directory = L"directory";
inline constexpr std::wstring_view Entry = L"entry";
// Each piece of an entry's content, just before it is written.
inline constexpr std::wstring_view Piece = L"piece";
inline constexpr std::wstring_view Uninstaller = L"uninstaller";
inline constexpr std::wstring_view Shortcuts = L"shortcuts";
// Each link, after an earlier one in its place was moved aside and before the new one is written.
inline constexpr std::wstring_view Link = L"link";
inline constexpr std::wstring_view PathEntry = L"path";
inline constexpr std::wstring_view Record = L"record";
inline constexpr std::wstring_view Registry = L"registry";
inline constexpr std::wstring_view Wait = L"wait";
inline constexpr std::wstring_view Finish = L"finish";

using Hook = std::function<void(std::wstring_view step)>;

// Test seam: calls the hook with each step's name just before the step runs, for its lifetime, so
// a test can inject a failure or a cancellation at any step (tests only; not thread-safe).
class ScopedHook {
public:
    explicit ScopedHook(Hook hook);
    ~ScopedHook();
    ScopedHook(const ScopedHook&) = delete;
    ScopedHook& operator=(const ScopedHook&) = delete;

private:
    Hook previous_;
};

void Enter(std::wstring_view step);
}  // namespace InstallSteps

class InstallEngine::Run {
public:
    Run(InstallEngine& engine, const InstallOptions& options, CancellationToken token);
    InstallRecord Execute();

private:
    // A file moved out of the way before this run put its own there.
    struct MovedAside {
        std::wstring Original;
        std::wstring Aside;
        // The earlier uninstaller stays as "uninstall.exe.old" after a successful run.
        bool KeepOnSuccess = false;
    };

    // The record keeps these texts, and a strict JSON reader takes no unpaired surrogate back: such
    // a record could never be loaded again, so the installation could not be found for removal.
    void RefuseUnreadableRecordTexts() const;
    // The entries' blocks are decoded ahead on the other cores while one entry is written.
    void InstallEntries(const PayloadSource& source, const std::vector<const PayloadEntry*>& entries);
    void EnsureDirectory(const std::wstring& directory);
    void WriteEntry(EntryReader& reader, const PayloadEntry& entry, const std::wstring& target);
    // Fills the file just opened for the entry; a failure leaves no file of it behind.
    void CopyEntry(EntryReader& reader, const PayloadEntry& entry, const std::wstring& target,
                   FileSystem::FileWriter& writer);
    std::wstring DeployUninstaller();
    void CopyUninstaller(const std::wstring& source, const std::wstring& uninstaller);
    void CopySideManifest();
    void CreateShortcuts(const std::wstring& uninstaller);
    void CreateShortcut(const std::wstring& linkPath, const std::wstring& target,
                        const std::optional<std::wstring>& icon, const std::optional<std::wstring>& arguments);
    void AddToPath();
    bool EarlierRecordAddedPath() const;
    // Whether the earlier installation of this product in the directory lists the file.
    bool EarlierInstallationListed(std::wstring_view file) const;
    std::optional<InstallRecord> LoadEarlierRecord() const;
    // Lists what the earlier installation's record names and this run left in place.
    void AdoptEarlierRecord();
    void SaveRecord();
    void WriteUninstallEntry(const std::wstring& uninstaller);
    void WaitForMinimumDuration();

    // Where an existing file is kept while the run may still put it back: beside it, under its
    // name with the run's suffix and a number, within the length one name may have.
    std::wstring AsidePath(const std::wstring& path);
    // Moves an existing file aside; the rollback moves it back.
    void MoveAside(const std::wstring& path);
    void MoveAsideAs(const std::wstring& path, const std::wstring& aside, bool keepOnSuccess);
    // Puts the files moved aside after the first `kept` back, newest first, replacing what this
    // run wrote there: a step that fails but lets the run go on leaves the earlier file in place.
    void RestoreMovedAside(std::size_t kept = 0);
    void ListFile(const std::wstring& relative);
    void MarkWritten(const std::wstring& path);
    bool WroteFile(const std::wstring& path) const;
    // Undoes everything the run did and puts the earlier installation's files back.
    void Rollback();
    // Logs the line, then rolls back whether or not the log took it.
    void RollbackAfterLog(const std::wstring& line);
    void DiscardMovedAside();

    InstallEngine& engine_;
    const InstallOptions& options_;
    const InstallManifest& manifest_;
    CancellationToken token_;
    std::chrono::steady_clock::time_point started_;
    InstallRecord record_;
    std::wstring installDir_;
    std::int64_t total_ = 1;
    std::wstring asideSuffix_;
    std::size_t asideCount_ = 0;

    // Full paths of the files this run wrote (the running uninstaller, kept in place, is not one).
    std::vector<std::wstring> written_;
    // The same paths upper-cased, and the record's file list as a set: an update of many files
    // asks both once per entry.
    std::unordered_set<std::wstring> writtenKeys_;
    std::unordered_set<std::wstring> listed_;
    std::vector<MovedAside> movedAside_;
    // Folders this run found or made, so that each is asked after once.
    std::unordered_set<std::wstring> knownDirectories_;
    // Folders made on the way to the install directory, the install directory included.
    std::vector<std::wstring> madeAbove_;
    bool recordFolderExisted_ = false;
    std::optional<std::wstring> madeStartMenuFolder_;
    std::optional<UninstallEntryBackup::Values> earlierEntry_;
    bool registryWritten_ = false;
    bool pathAddedByRun_ = false;
    // "uninstall.exe.old" is another program's uninstaller that this run renamed.
    bool foreignOldUninstaller_ = false;
    // The record of an earlier installation in the same directory, read before the run changed anything.
    std::optional<InstallRecord> earlierRecord_;
    // How many of the record's links and directories this run made (set when the earlier record's
    // are adopted behind them).
    std::optional<std::size_t> madeShortcuts_;
    std::optional<std::size_t> madeDirectories_;
};

}  // namespace Ravenquill::Core
