#pragma once
// What one installation run changed on the machine, in the order it changed it: the files it
// wrote, the files it moved out of the way, the folders, links, uninstall entry and PATH entry it
// made. A failed or cancelled run undoes itself from here through the machine it ran on; a run
// that succeeded discards what it kept aside. Portable: tested natively over a stand-in machine.
#include <cstddef>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "install_entry_backup.h"
#include "install_system.h"

namespace Ravenquill::Core {

class InstallJournal {
public:
    // A file moved out of the way before this run put its own there.
    struct MovedAside {
        std::wstring Original;
        std::wstring Aside;
        // Stays where it was moved once the run has succeeded (the earlier uninstaller as ".old").
        bool KeepOnSuccess = false;
    };

    // A file this run wrote (its full path); undone by deleting it.
    void Wrote(const std::wstring& path);
    // Whether this run wrote the file, however its path is cased.
    bool WroteFile(const std::wstring& path) const;
    const std::vector<std::wstring>& Written() const noexcept { return written_; }

    // An earlier file moved aside; undone by moving it back over whatever the run put there.
    void MovedAsideTo(const std::wstring& original, const std::wstring& aside, bool keepOnSuccess = false);
    std::size_t MovedAsideCount() const noexcept { return movedAside_.size(); }
    const std::vector<MovedAside>& Aside() const noexcept { return movedAside_; }
    // Puts the files moved aside after the first `kept` back, newest first, replacing what this
    // run wrote there: a step that fails but lets the run go on leaves the earlier file in place.
    void RestoreMovedAside(InstallSystem& system, std::size_t kept = 0);

    // A folder made on the way to the install directory, the install directory included,
    // outermost first; undone innermost first when it is empty.
    void MadeOnTheWay(const std::wstring& folder);
    // A folder made inside the install directory (its full path); undone longest first when empty.
    void MadeInside(const std::wstring& folder);
    // The record folder was not there before the run: undone by removing it whole.
    void RecordFolderWasMissing(const std::wstring& folder);
    // A shortcut this run saved; undone by deleting it.
    void MadeShortcut(const std::wstring& link);
    // The Start-menu folder this run's links made; undone when it is then empty.
    void MadeStartMenuFolder(const std::wstring& folder);
    // About to write the product's uninstall entry, as it was before (none: there was none);
    // undone by putting that entry back, or by deleting the entry.
    void WritingUninstallEntry(const std::wstring& productId, bool machine,
                               std::optional<UninstallEntryBackup::Values> earlier);
    // This run appended the directory to PATH; undone by removing it.
    void AddedPathEntry(const std::wstring& dir, bool machine);

    // Undoes everything in the journal, each step best effort (a step that fails for an
    // input/output reason or for lack of access, or the registry's refusals for the entry and
    // PATH, is left undone and the rest goes on), and puts the files moved aside back.
    void Undo(InstallSystem& system);
    // After a successful run: deletes what was moved aside and is not kept.
    void Discard(InstallSystem& system);

private:
    std::vector<std::wstring> written_;
    // The same paths upper-cased: an update of many files asks once per entry.
    std::unordered_set<std::wstring> writtenKeys_;
    std::vector<MovedAside> movedAside_;
    std::vector<std::wstring> madeOnTheWay_;
    std::vector<std::wstring> madeInside_;
    std::optional<std::wstring> missingRecordFolder_;
    std::vector<std::wstring> shortcuts_;
    std::optional<std::wstring> startMenuFolder_;
    struct EntryWritten {
        std::wstring ProductId;
        bool Machine = false;
        std::optional<UninstallEntryBackup::Values> Earlier;
    };
    std::optional<EntryWritten> entry_;
    struct PathAdded {
        std::wstring Dir;
        bool Machine = false;
    };
    std::optional<PathAdded> pathEntry_;
};

}  // namespace Ravenquill::Core
