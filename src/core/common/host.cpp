#include "host.h"

#include "path.h"

namespace Ravenquill {
namespace {
const HostEnvironment* g_override = nullptr;
}

const HostEnvironment& Host() { return g_override != nullptr ? *g_override : Detail::PlatformHost(); }

std::wstring ExecutableDirectory() { return Path::GetDirectoryName(Host().ExecutablePath()); }

ScopedHost::ScopedHost(const HostEnvironment& replacement) : previous_(g_override) { g_override = &replacement; }

ScopedHost::~ScopedHost() { g_override = previous_; }

}  // namespace Ravenquill
