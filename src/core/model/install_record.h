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
    // Full paths of the shortcut files made.
    std::vector<std::wstring> Shortcuts;
    std::optional<std::wstring> StartMenuDirectory;
    std::vector<std::wstring> Components;
    bool PathEntryAdded = false;
    std::optional<std::wstring> MainExecutable;

    // installDir joined with ".ravenquill" and "record.json".
    static std::wstring PathFor(std::wstring_view installDir);
    // Creates the folder and replaces any earlier record; failures reach the caller.
    static void Save(const InstallRecord& record, std::wstring_view installDir);
    // Absent for a missing file, an input/output error or malformed JSON; access denied reaches
    // the caller.
    static std::optional<InstallRecord> Load(std::wstring_view installDir);
};

}  // namespace Ravenquill::Core
