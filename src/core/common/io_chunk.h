#pragma once
// The largest piece of a file one read or write call is handed. ReadFile and WriteFile count in
// 32-bit sizes, and the archive library's reads are kept to the same bound.
#include <cstddef>

namespace Ravenquill {

inline constexpr std::size_t MaxIoChunk = std::size_t{1} << 30;

}  // namespace Ravenquill
