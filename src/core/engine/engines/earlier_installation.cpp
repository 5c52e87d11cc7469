#include "earlier_installation.h"

#include "core/common/errors.h"
#include "core/common/file_system.h"
#include "core/common/path.h"
#include "core/common/text.h"
#include "core/engine/platform/path_variable.h"

namespace Ravenquill::Core {
namespace {

bool DriveExists(const std::wstring& folder) {
    try {
        const std::wstring full = Path::GetFullPath(folder);
        const std::wstring root(Path::GetPathRoot(full));
        return !root.empty() && FileSystem::DirectoryExists(root);
    } catch (const Exception&) {
        // A location the platform cannot make a full path of names no drive at all.
        return false;
    }
}

}  // namespace

bool RecordBelongsToEntry(const InstallRecord& record, const UninstallRegistry::InstalledEntry& entry,
                          std::wstring_view productId) {
    return record.PerMachine == entry.PerMachine && Text::EqualsIgnoreCase(record.ProductId, productId) &&
           PathVariable::SamePath(record.InstallDir, entry.InstallLocation);
}

std::optional<EarlierInstallation> EarlierInstallationOf(const UninstallRegistry::InstalledEntry& entry,
                                                         std::wstring_view productId) {
    if (!DriveExists(entry.InstallLocation)) return std::nullopt;
    EarlierInstallation installation{entry.InstallLocation, entry.PerMachine, std::nullopt};
    try {
        std::optional<InstallRecord> record = InstallRecord::Load(entry.InstallLocation);
        if (record && RecordBelongsToEntry(*record, entry, productId)) installation.Record = std::move(record);
    } catch (const Exception&) {
        // A record that cannot be read (access denied, a path the platform refuses) tells nothing
        // of the earlier choices: the manifest's defaults stand in for them.
    }
    return installation;
}

}  // namespace Ravenquill::Core
