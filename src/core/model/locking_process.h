#pragma once
// A process that holds a file or runs from the install directory.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace Ravenquill::Core {

class LockingProcess {
public:
    LockingProcess(std::int32_t processId, std::wstring name, bool canBeClosed)
        : processId_(processId), name_(std::move(name)), canBeClosed_(canBeClosed) {}

    std::int32_t ProcessId() const noexcept { return processId_; }
    const std::wstring& Name() const noexcept { return name_; }
    // False for processes that must never be closed and for this process itself.
    bool CanBeClosed() const noexcept { return canBeClosed_; }
    // Name (PID id).
    std::wstring DisplayName() const;

    // DisplayName takes no part; names compare ordinally.
    bool operator==(const LockingProcess&) const = default;
    std::size_t Hash() const noexcept;
    std::wstring ToString() const;

private:
    std::int32_t processId_;
    std::wstring name_;
    bool canBeClosed_;
};

}  // namespace Ravenquill::Core
