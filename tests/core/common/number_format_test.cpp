#include "core/common/number_format.h"

#include <gtest/gtest.h>

#include <limits>

namespace Ravenquill {
namespace {

TEST(FormatDouble, ShortestRoundTripInGeneralForm) {
    const NumberFormat invariant;
    struct Case {
        double value;
        const wchar_t* text;
    } cases[] = {
        {0.5, L"0.5"},
        {1, L"1"},
        {-2.25, L"-2.25"},
        {0.1, L"0.1"},
        {1.0 / 3, L"0.3333333333333333"},
        {123456789012345.0, L"123456789012345"},
        {1e15, L"1E+15"},
        {0.0001, L"0.0001"},
        {0.00001, L"1E-05"},
        {-0.0, L"0"},
        {1.5e-7, L"1.5E-07"},
        {std::numeric_limits<double>::quiet_NaN(), L"NaN"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatDouble(c.value, invariant), c.text);
}

TEST(FormatDouble, UsesTheInjectedDecimalSeparator) {
    ScopedNumberFormat russian({L",", L"-"});
    EXPECT_EQ(FormatDouble(0.5), L"0,5");
    EXPECT_EQ(FormatDecimals(1.5, 2), L"1,5");
}

TEST(FormatDecimals, DropsTrailingZeros) {
    const NumberFormat invariant;
    EXPECT_EQ(FormatDecimals(1.0, 2, invariant), L"1");
    EXPECT_EQ(FormatDecimals(1.234, 2, invariant), L"1.23");
    EXPECT_EQ(FormatDecimals(1.005, 2, invariant), L"1");  // binary 1.005 lies below the half
    EXPECT_EQ(FormatDecimals(2.5, 0, invariant), L"2");
}

}  // namespace
}  // namespace Ravenquill
