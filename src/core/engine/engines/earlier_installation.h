#pragma once
// The product's installations that an update may replace, one per scope: the entry of each hive of
// the system's list of installed programs, with the record in its folder where that record
// describes the same installation. The hive decides the scope, never the record: the record lies
// in the installation's folder, which its user may write, and a per-user installation must never
// become a machine-wide one (its entry, PATH entry and uninstaller) through an edited file.
#include <optional>
#include <string>
#include <string_view>

#include "core/engine/platform/uninstall_registry.h"
#include "core/model/install_record.h"

namespace Ravenquill::Core {

struct EarlierInstallation {
    // The entry's InstallLocation, as the entry spells it.
    std::wstring InstallDir;
    // The hive the entry is in: true for the machine's.
    bool PerMachine = false;
    // The record in InstallDir when it can be read and belongs to this entry
    // (RecordBelongsToEntry); none otherwise.
    std::optional<InstallRecord> Record;
};

struct EarlierInstallations {
    std::optional<EarlierInstallation> PerMachine;
    std::optional<EarlierInstallation> PerUser;

    const std::optional<EarlierInstallation>& In(bool perMachine) const { return perMachine ? PerMachine : PerUser; }
    std::optional<EarlierInstallation>& In(bool perMachine) { return perMachine ? PerMachine : PerUser; }
};

// Whether a record found in an entry's folder describes that entry's installation: the product's
// id, the scope of the entry's hive and the entry's folder.
bool RecordBelongsToEntry(const InstallRecord& record, const UninstallRegistry::InstalledEntry& entry,
                          std::wstring_view productId);

// The installation an entry stands for, with its record when that belongs to the entry. None when
// the entry's folder lies on a drive that no longer exists (a removed disk, an unmapped share):
// nothing can be updated there, and the scope's default folder is taken instead.
std::optional<EarlierInstallation> EarlierInstallationOf(const UninstallRegistry::InstalledEntry& entry,
                                                         std::wstring_view productId);

}  // namespace Ravenquill::Core
