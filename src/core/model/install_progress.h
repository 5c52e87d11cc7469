#pragma once
// One progress report of an install or uninstall run.
#include <cstddef>
#include <optional>
#include <string>
#include <utility>

namespace Ravenquill::Core {

class InstallProgress {
public:
    InstallProgress() = default;
    InstallProgress(double fraction, std::wstring status, std::optional<std::wstring> detail = std::nullopt)
        : fraction_(fraction), status_(std::move(status)), detail_(std::move(detail)) {}

    double Fraction() const noexcept { return fraction_; }
    const std::wstring& Status() const noexcept { return status_; }
    const std::optional<std::wstring>& Detail() const noexcept { return detail_; }

    // Two NaN fractions are equal, and so are 0 and -0.
    bool operator==(const InstallProgress& other) const noexcept;
    std::size_t Hash() const noexcept;
    // InstallProgress { Fraction = 0.5, Status = ..., Detail = ... }, in the user's number format.
    std::wstring ToString() const;

private:
    double fraction_ = 0;
    std::wstring status_;
    std::optional<std::wstring> detail_;
};

}  // namespace Ravenquill::Core
