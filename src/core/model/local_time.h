#pragma once
// The platform's clock and time zone, for the install record's date.
#include <cstdint>

namespace Ravenquill::Core::Detail {

struct LocalNow {
    std::int64_t LocalTicks;  // 100 ns since 0001-01-01, local time
    std::int32_t OffsetMinutes;
};

LocalNow CurrentLocalTime();

}  // namespace Ravenquill::Core::Detail
