#pragma once
// A locked target file with the processes found for it, and the answer given for it.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "core/model/locking_process.h"

namespace Ravenquill::Core {

using LockingProcessList = std::shared_ptr<const std::vector<LockingProcess>>;

class FileLockInfo {
public:
    // A null list counts as an empty one.
    FileLockInfo(std::wstring path, LockingProcessList processes);

    const std::wstring& Path() const noexcept { return path_; }
    // The processes holding the file or, when none was found, those running from its folder.
    const std::vector<LockingProcess>& Processes() const noexcept { return *processes_; }
    const LockingProcessList& ProcessList() const noexcept { return processes_; }

    // The list compares by identity: equal contents in another list object are not equal.
    bool operator==(const FileLockInfo& other) const noexcept {
        return path_ == other.path_ && processes_ == other.processes_;
    }
    std::size_t Hash() const noexcept;
    // FileLockInfo { Path = ..., Processes = std::vector<LockingProcess> }
    std::wstring ToString() const;

private:
    std::wstring path_;
    LockingProcessList processes_;
};

enum class FileLockResolution {
    Retry = 0,  // write the file again
    Abort = 1,  // give up; the installation fails
};

}  // namespace Ravenquill::Core
