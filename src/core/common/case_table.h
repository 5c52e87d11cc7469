#pragma once
#include <cstddef>
#include <cstdint>

namespace Ravenquill::Text::Detail {

struct CasePair {
    std::uint16_t From;
    std::uint16_t To;
};

// Sorted by From; generated, identical in every build.
extern const CasePair UpperPairs[];
extern const std::size_t UpperPairsCount;
extern const CasePair LowerPairs[];
extern const std::size_t LowerPairsCount;

}  // namespace Ravenquill::Text::Detail
