#include "core/model/offset_date_time.h"

#include <gtest/gtest.h>

namespace Ravenquill::Core {
namespace {

TEST(OffsetDateTime, WritesIsoWithTrimmedFractionAndOffset) {
    constexpr std::int64_t Day = 864'000'000'000;
    const std::pair<OffsetDateTime, std::wstring> cases[] = {
        {{0, 0}, L"0001-01-01T00:00:00+00:00"},
        {{1, 0}, L"0001-01-01T00:00:00.0000001+00:00"},
        {{5'000'000, -90}, L"0001-01-01T00:00:00.5-01:30"},
        {{3'155'378'975'999'999'999, 0}, L"9999-12-31T23:59:59.9999999+00:00"},
        // 2000-02-29, a leap day in a century year divisible by 400.
        {{730'178 * Day + 10'000'000, 14 * 60}, L"2000-02-29T00:00:01+14:00"},
    };
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(value.ToIsoString(), text);
        EXPECT_EQ(OffsetDateTime::ParseIso(text), value);
    }
}

TEST(OffsetDateTime, ReadsOtherIsoForms) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"2025-03-14T09:26:53Z", L"2025-03-14T09:26:53+00:00"},
        {L"2025-03-14t09:26z", L"2025-03-14T09:26:00+00:00"},
        {L"2025-03-14T09:26:53.123456789+0300", L"2025-03-14T09:26:53.1234567+03:00"},
        {L"2025-03-14T09:26:53,5-02", L"2025-03-14T09:26:53.5-02:00"},
        {L"2025-03-14T00:00:00+00:00", L"2025-03-14T00:00:00+00:00"},
    };
    for (const auto& [input, written] : cases) {
        const auto parsed = OffsetDateTime::ParseIso(input);
        ASSERT_TRUE(parsed) << std::string(input.begin(), input.end());
        EXPECT_EQ(parsed->ToIsoString(), written);
    }
    // Without an offset the local one applies.
    EXPECT_EQ(OffsetDateTime::ParseIso(L"2025-03-14")->OffsetMinutes, OffsetDateTime::Now().OffsetMinutes);
}

TEST(OffsetDateTime, RejectsTextThatIsNoDateTime) {
    for (const std::wstring text :
         {L"", L"2025", L"2025-3-14", L"2025-13-01", L"2025-02-29", L"1900-02-29", L"0000-01-01", L"2025-01-32",
          L"2025-01-01T24:00:00", L"2025-01-01T10:60", L"2025-01-01T10:00:61", L"2025-01-01T10:00:00.",
          L"2025-01-01T10:00:00+15:00", L"2025-01-01T10:00:00+01:60", L"2025-01-01T10:00:00 ",
          L"2025-01-01T10:00:00+01:0", L"0001-01-01T00:00:00+01:00", L"9999-12-31T23:59:59-01:00"}) {
        EXPECT_FALSE(OffsetDateTime::ParseIso(text)) << std::string(text.begin(), text.end());
    }
}

TEST(OffsetDateTime, NowIsInTheLocalOffset) {
    const OffsetDateTime now = OffsetDateTime::Now();
    EXPECT_GT(now.LocalTicks, 638'000'000'000'000'000);  // after 2022
    EXPECT_LE(now.OffsetMinutes, 14 * 60);
    EXPECT_GE(now.OffsetMinutes, -14 * 60);
    EXPECT_EQ(OffsetDateTime::ParseIso(now.ToIsoString()), now);
}

}  // namespace
}  // namespace Ravenquill::Core
