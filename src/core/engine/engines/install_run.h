#pragma once
// One installation run: the steps in their order over the machine it is given, with everything
// they change written into the run's journal, so that a failure or a cancellation puts the machine
// back as it was. Portable: tests run it over a stand-in machine.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "install_engine.h"
#include "install_journal.h"
#include "install_system.h"

namespace Ravenquill::Core {

class InstallRun {
public:
    InstallRun(InstallEngine& engine, InstallSystem& system, const InstallOptions& options, CancellationToken token);
    InstallRecord Execute();

private:
    void Enter(std::wstring_view step);
    // The record keeps these texts, and a strict JSON reader takes no unpaired surrogate back: such
    // a record could never be loaded again, so the installation could not be found for removal.
    void RefuseUnreadableRecordTexts() const;
    // The entries' blocks are decoded ahead on the other cores while one entry is written.
    void InstallEntries(const PayloadSource& source, const std::vector<const PayloadEntry*>& entries);
    void EnsureDirectory(const std::wstring& directory);
    void WriteEntry(EntryReader& reader, const PayloadEntry& entry, const std::wstring& target);
    // Fills the file just opened for the entry.
    void CopyEntry(EntryReader& reader, const PayloadEntry& entry, const std::wstring& target, InstallFile& file);
    // Runs fill, then closes the file; a failure closes it and deletes what was written, so that
    // no partial file is left behind (it would look installed but is not), and is rethrown.
    template <class Fill>
    void FillOrDelete(InstallFile& file, const std::wstring& path, Fill&& fill);
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
    // Moves an existing file aside; the journal moves it back if the run is undone.
    void MoveAside(const std::wstring& path);
    void MoveAsideAs(const std::wstring& path, const std::wstring& aside, bool keepOnSuccess);
    void ListFile(const std::wstring& relative);
    // Logs the line, then undoes the run whether or not the log took it.
    void UndoAfterLog(const std::wstring& line);

    InstallEngine& engine_;
    InstallSystem& system_;
    const InstallOptions& options_;
    const InstallManifest& manifest_;
    CancellationToken token_;
    std::chrono::steady_clock::time_point started_;
    InstallRecord record_;
    std::wstring installDir_;
    InstallJournal journal_;
    std::int64_t total_ = 1;
    std::wstring asideSuffix_;
    std::size_t asideCount_ = 0;

    // The record's file list as a set: an update of many files asks once per entry.
    std::unordered_set<std::wstring> listed_;
    // Folders this run found or made, so that each is asked after once.
    std::unordered_set<std::wstring> knownDirectories_;
    // "uninstall.exe.old" is another program's uninstaller that this run renamed.
    bool foreignOldUninstaller_ = false;
    // The record of an earlier installation in the same directory, read before the run changed anything.
    std::optional<InstallRecord> earlierRecord_;
};

}  // namespace Ravenquill::Core
