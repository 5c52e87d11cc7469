#include <ctime>

#include "core/model/local_time.h"

namespace Ravenquill::Core::Detail {

LocalNow CurrentLocalTime() {
    constexpr std::int64_t UnixEpochTicks = 621'355'968'000'000'000;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    const std::int64_t offsetSeconds = local.tm_gmtoff;
    const std::int64_t ticks =
        UnixEpochTicks + (static_cast<std::int64_t>(now.tv_sec) + offsetSeconds) * 10'000'000 + now.tv_nsec / 100;
    return {ticks, static_cast<std::int32_t>(offsetSeconds / 60)};
}

}  // namespace Ravenquill::Core::Detail
