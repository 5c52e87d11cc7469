// Equality, hashes and text forms of the small value records shared by engines and pages.
#include <cmath>
#include <functional>

#include "core/common/number_format.h"
#include "core/model/file_lock_info.h"
#include "core/model/install_progress.h"
#include "core/model/locking_process.h"

namespace Ravenquill::Core {
namespace {

std::size_t Combine(std::size_t seed, std::size_t value) noexcept {
    return seed ^ (value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2));
}

const wchar_t* FlagText(bool value) noexcept { return value ? L"True" : L"False"; }

const LockingProcessList& EmptyProcessList() {
    static const LockingProcessList empty = std::make_shared<const std::vector<LockingProcess>>();
    return empty;
}

}  // namespace

bool InstallProgress::operator==(const InstallProgress& other) const noexcept {
    const bool sameFraction = fraction_ == other.fraction_ || (std::isnan(fraction_) && std::isnan(other.fraction_));
    return sameFraction && status_ == other.status_ && detail_ == other.detail_;
}

std::size_t InstallProgress::Hash() const noexcept {
    // Every NaN hashes alike and -0 like 0, as equality treats them.
    std::size_t hash = std::isnan(fraction_) ? 0x7ff8 : std::hash<double>{}(fraction_ == 0 ? 0.0 : fraction_);
    hash = Combine(hash, std::hash<std::wstring>{}(status_));
    return Combine(hash, detail_ ? std::hash<std::wstring>{}(*detail_) + 1 : 0);
}

std::wstring InstallProgress::ToString() const {
    return L"InstallProgress { Fraction = " + FormatDouble(fraction_) + L", Status = " + status_ + L", Detail = " +
           detail_.value_or(std::wstring()) + L" }";
}

std::wstring LockingProcess::DisplayName() const { return name_ + L" (PID " + std::to_wstring(processId_) + L")"; }

std::size_t LockingProcess::Hash() const noexcept {
    std::size_t hash = std::hash<std::int32_t>{}(processId_);
    hash = Combine(hash, std::hash<std::wstring>{}(name_));
    return Combine(hash, canBeClosed_ ? 1 : 0);
}

std::wstring LockingProcess::ToString() const {
    // The id prints in the user's number format like every number of a text form (its sign
    // included); an int32 is exact as a double.
    return L"LockingProcess { ProcessId = " + FormatDouble(processId_) + L", Name = " + name_ + L", CanBeClosed = " +
           FlagText(canBeClosed_) + L", DisplayName = " + DisplayName() + L" }";
}

FileLockInfo::FileLockInfo(std::wstring path, LockingProcessList processes)
    : path_(std::move(path)), processes_(processes ? std::move(processes) : EmptyProcessList()) {}

std::size_t FileLockInfo::Hash() const noexcept {
    return Combine(std::hash<std::wstring>{}(path_), std::hash<const void*>{}(processes_.get()));
}

std::wstring FileLockInfo::ToString() const {
    return L"FileLockInfo { Path = " + path_ + L", Processes = std::vector<LockingProcess> }";
}

}  // namespace Ravenquill::Core
