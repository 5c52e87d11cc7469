#pragma once
// A local date and time with its offset from UTC, as the install record stores it.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Ravenquill::Core {

struct OffsetDateTime {
    // Local date and time in 100-ns ticks since 0001-01-01T00:00:00.
    std::int64_t LocalTicks = 0;
    // Local time minus UTC, in minutes.
    std::int32_t OffsetMinutes = 0;

    // The current moment in local time with the local offset.
    static OffsetDateTime Now();

    // ISO 8601: 2025-03-14T09:26:53.5897932+03:00 (fraction without trailing zeros, +00:00 for UTC).
    std::wstring ToIsoString() const;
    // Any ISO 8601 date-time text (date, optional time with fraction, optional offset or 'Z';
    // without an offset the local offset applies). Absent when the text is not one.
    static std::optional<OffsetDateTime> ParseIso(std::wstring_view text);

    bool operator==(const OffsetDateTime&) const = default;
};

}  // namespace Ravenquill::Core
