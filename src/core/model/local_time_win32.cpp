#include <windows.h>

#include "core/model/local_time.h"

namespace Ravenquill::Core::Detail {
namespace {

std::int64_t ToInt64(const FILETIME& time) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

}  // namespace

LocalNow CurrentLocalTime() {
    constexpr std::int64_t Ticks1601 = 504'911'232'000'000'000;
    FILETIME utc{};
    GetSystemTimeAsFileTime(&utc);
    FILETIME local{};
    if (!FileTimeToLocalFileTime(&utc, &local)) local = utc;
    const std::int64_t offsetTicks = ToInt64(local) - ToInt64(utc);
    return {Ticks1601 + ToInt64(local), static_cast<std::int32_t>(offsetTicks / 600'000'000)};
}

}  // namespace Ravenquill::Core::Detail
