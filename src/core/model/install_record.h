#pragma once
// What one installation put on the machine, stored as ".ravenquill\record.json" in the install
// directory and read back by the uninstaller.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/model/offset_date_time.h"

namespace Ravenquill::Core {

class InstallRecord {
public:
    std::wstring ProductName;
    std::wstring ProductId;
    std::wstring Version;
    std::wstring Publisher;
    // Full absolute path; base of Files and Directories.
    std::wstring InstallDir;
    bool PerMachine = false;
    OffsetDateTime InstalledAt = OffsetDateTime::Now();
    // Relative to InstallDir with '\' separators, in the order written.
    std::vector<std::wstring> Files;
    std::vector<std::wstring> Directories;
    // Full paths of the folders above InstallDir that the installation created on the way to it
    // (a publisher's folder), outermost first; removed after InstallDir when they are empty. Written
    // only when there are any.
    std::vector<std::wstring> ParentDirectories;
    // Full paths of the shortcut files made.
    std::vector<std::wstring> Shortcuts;
    std::optional<std::wstring> StartMenuDirectory;
    std::vector<std::wstring> Components;
    // The ids of every component the installation's manifest offered, chosen or not, so that an
    // update can tell a component the user declined from one that is new to it. Written only when
    // there are any; records from before it was kept have none.
    std::vector<std::wstring> OfferedComponents;
    bool PathEntryAdded = false;
    std::optional<std::wstring> MainExecutable;

    // installDir joined with ".ravenquill" and "record.json".
    static std::wstring PathFor(std::wstring_view installDir);
    // Creates the folder and replaces any earlier record; failures reach the caller.
    static void Save(const InstallRecord& record, std::wstring_view installDir);
    // Absent for a missing file, an input/output error or malformed JSON; access denied reaches
    // the caller.
    static std::optional<InstallRecord> Load(std::wstring_view installDir);
    // Absent only for a missing file or one that holds no record (malformed JSON, null, or too
    // large to be one); a file that is there but cannot be read fails with the platform's error,
    // so that a record held open by another program is not taken for no installation at all.
    static std::optional<InstallRecord> Read(std::wstring_view installDir);
};

}  // namespace Ravenquill::Core
