#pragma once
// What the system needs of the running executable: its path and its embedded RCDATA resources.
// Tests replace it with ScopedHost to put files "beside a fake executable" or fake resources.
#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "scoped_override.h"

namespace Ravenquill {

class HostEnvironment {
public:
    virtual ~HostEnvironment() = default;
    virtual std::wstring ExecutablePath() const = 0;
    // The bytes of the RCDATA resource of that name in the executable, if it has one.
    virtual std::optional<std::span<const std::byte>> FindEmbeddedResource(std::wstring_view name) const = 0;
};

const HostEnvironment& Host();
// Directory of Host().ExecutablePath().
std::wstring ExecutableDirectory();

namespace Detail {
const HostEnvironment& PlatformHost();
// The replacement in force, none for the platform's own host.
const HostEnvironment*& ReplacedHost() noexcept;
}  // namespace Detail

// Installs a replacement host for its lifetime (tests only).
class ScopedHost : ScopedOverride<const HostEnvironment*> {
public:
    explicit ScopedHost(const HostEnvironment& replacement) : ScopedOverride(Detail::ReplacedHost(), &replacement) {}
};

}  // namespace Ravenquill
