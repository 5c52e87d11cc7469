#pragma once
// Windows builds only: the form of a path to hand to file APIs. Long-path awareness in the
// application manifest is honoured from Windows 10 1607 on; for older systems and for
// Wine, paths past MAX_PATH get the "\\?\" prefix.
#include <string>

namespace Ravenquill {

std::wstring LongPath(const std::wstring& path);

}  // namespace Ravenquill
