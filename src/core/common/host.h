#pragma once
// What the system needs of the running executable: its path and its embedded RCDATA resources.
// Tests replace it with ScopedHost to put files "beside a fake executable" or fake resources.
#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

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

// Installs a replacement host for its lifetime (tests only; not thread-safe).
class ScopedHost {
public:
    explicit ScopedHost(const HostEnvironment& replacement);
    ~ScopedHost();
    ScopedHost(const ScopedHost&) = delete;
    ScopedHost& operator=(const ScopedHost&) = delete;

private:
    const HostEnvironment* previous_;
};

namespace Detail {
const HostEnvironment& PlatformHost();
}

}  // namespace Ravenquill
