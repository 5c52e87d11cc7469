#pragma once
// Sums over numbers read from a payload: a hostile index must not wrap a 64-bit offset or total.
#include <cstdint>

#include "core/common/errors.h"

namespace Ravenquill::Core::PayloadDetail {

inline std::int64_t CheckedAdd(std::int64_t a, std::int64_t b) {
    std::int64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum))
        throw InvalidDataException(L"Arithmetic operation resulted in an overflow.");
    return sum;
}

}  // namespace Ravenquill::Core::PayloadDetail
