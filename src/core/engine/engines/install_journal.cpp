#include "install_journal.h"

#include <utility>

#include "core/common/best_effort.h"
#include "core/common/text.h"
#include "install_rules.h"

namespace Ravenquill::Core {

void InstallJournal::Wrote(const std::wstring& path) {
    written_.push_back(path);
    writtenKeys_.insert(Text::ToUpper(path));
}

bool InstallJournal::WroteFile(const std::wstring& path) const { return writtenKeys_.contains(Text::ToUpper(path)); }

void InstallJournal::MovedAsideTo(const std::wstring& original, const std::wstring& aside, bool keepOnSuccess) {
    movedAside_.push_back(MovedAside{original, aside, keepOnSuccess});
}

void InstallJournal::RestoreMovedAside(InstallSystem& system, std::size_t kept) {
    while (movedAside_.size() > kept) {
        const MovedAside moved = movedAside_.back();
        movedAside_.pop_back();
        TryBestEffort([&] {
            system.DeleteFileIfExists(moved.Original);
            system.MoveFile(moved.Aside, moved.Original);
        });
    }
}

void InstallJournal::MadeOnTheWay(const std::wstring& folder) { madeOnTheWay_.push_back(folder); }

void InstallJournal::MadeInside(const std::wstring& folder) { madeInside_.push_back(folder); }

void InstallJournal::RecordFolderWasMissing(const std::wstring& folder) { missingRecordFolder_ = folder; }

void InstallJournal::MadeShortcut(const std::wstring& link) { shortcuts_.push_back(link); }

void InstallJournal::MadeStartMenuFolder(const std::wstring& folder) { startMenuFolder_ = folder; }

void InstallJournal::WritingUninstallEntry(const std::wstring& productId, bool machine,
                                           std::optional<UninstallEntryBackup::Values> earlier) {
    entry_ = EntryWritten{productId, machine, std::move(earlier)};
}

void InstallJournal::AddedPathEntry(const std::wstring& dir, bool machine) { pathEntry_ = PathAdded{dir, machine}; }

void InstallJournal::Undo(InstallSystem& system) {
    // Only what this run made: the record may also list what the earlier installation left here.
    for (const std::wstring& link : shortcuts_) TryBestEffort([&] { system.DeleteFileIfExists(link); });
    for (const std::wstring& file : written_) TryBestEffort([&] { system.DeleteFileIfExists(file); });
    RestoreMovedAside(system);
    for (const std::wstring& folder : InstallRules::RemovalOrder(madeInside_))
        TryBestEffort([&] { system.DeleteDirectoryIfEmpty(folder); });
    if (missingRecordFolder_) TryBestEffort([&] { system.DeleteTree(*missingRecordFolder_); });
    if (entry_) {
        TryBestEffort(
            [&] {
                if (entry_->Earlier)
                    system.RestoreUninstallEntry(entry_->ProductId, entry_->Machine, *entry_->Earlier);
                else
                    system.DeleteUninstallEntry(entry_->ProductId, entry_->Machine);
            },
            IsBestEffortRegistryFailure);
    }
    if (pathEntry_)
        TryBestEffort([&] { system.RemovePathEntry(pathEntry_->Dir, pathEntry_->Machine); },
                      IsBestEffortRegistryFailure);
    if (startMenuFolder_) TryBestEffort([&] { system.DeleteDirectoryIfEmpty(*startMenuFolder_); });
    for (auto it = madeOnTheWay_.rbegin(); it != madeOnTheWay_.rend(); ++it)
        TryBestEffort([&] { system.DeleteDirectoryIfEmpty(*it); });
}

void InstallJournal::Discard(InstallSystem& system) {
    for (const MovedAside& moved : movedAside_)
        if (!moved.KeepOnSuccess) TryBestEffort([&] { system.DeleteFileIfExists(moved.Aside); });
    movedAside_.clear();
}

}  // namespace Ravenquill::Core
