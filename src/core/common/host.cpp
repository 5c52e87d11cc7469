#include "host.h"

#include "path.h"

namespace Ravenquill {
const HostEnvironment*& Detail::ReplacedHost() noexcept {
    static const HostEnvironment* replaced = nullptr;
    return replaced;
}

const HostEnvironment& Host() {
    const HostEnvironment* replaced = Detail::ReplacedHost();
    return replaced != nullptr ? *replaced : Detail::PlatformHost();
}

std::wstring ExecutableDirectory() { return Path::GetDirectoryName(Host().ExecutablePath()); }

}  // namespace Ravenquill
