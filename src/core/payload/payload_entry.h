#pragma once
// One file of a payload. Entries are compared by identity: there is deliberately no operator==.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/common/read_stream.h"

namespace Ravenquill::Core {

struct PayloadEntry {
    // Relative to the install directory, parts separated by '\'; not otherwise normalised.
    std::wstring RelativePath;
    // Uncompressed size as the source states it.
    std::int64_t Length = 0;
    // A new, independent stream over the content on every call; the caller owns it.
    std::function<std::unique_ptr<ReadStream>()> Open;
};

}  // namespace Ravenquill::Core
