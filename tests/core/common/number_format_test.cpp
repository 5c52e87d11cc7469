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
        // More shortest digits than 15 keep a number plain as long as its whole digits fit them.
        {9007199254740992.0, L"9007199254740992"},
        {1.2345678901234568e17, L"1.2345678901234568E+17"},
        {1e16, L"1E+16"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatDouble(c.value, invariant), c.text) << c.text;
}

TEST(FormatSingle, ShortestDigitsOfTheFloatWithItsOwnPrecision) {
    const NumberFormat invariant;
    struct Case {
        float value;
        const wchar_t* text;
    } cases[] = {
        {13.5f, L"13.5"},
        {0.1f, L"0.1"},  // not the double nearest to the float, 0.100000001490116
        {0.3f, L"0.3"},
        {20.0f, L"20"},
        {-60.0f, L"-60"},
        {1234567.0f, L"1234567"},
        {9999999.0f, L"9999999"},
        {1e7f, L"1E+07"},
        {-2.5e7f, L"-2.5E+07"},
        {12345678.0f, L"12345678"},  // eight shortest digits, eight whole digits
        {16777216.0f, L"16777216"},
        {123456789.0f, L"1.2345679E+08"},
        {1e8f, L"1E+08"},
        {std::numeric_limits<float>::max(), L"3.4028235E+38"},
        {0.0001f, L"0.0001"},
        {0.00001f, L"1E-05"},
        {1.5e-7f, L"1.5E-07"},
        {std::numeric_limits<float>::denorm_min(), L"1E-45"},
        {-0.0f, L"0"},
        {std::numeric_limits<float>::infinity(), L"\u221E"},
        {-std::numeric_limits<float>::infinity(), L"-\u221E"},
        {std::numeric_limits<float>::quiet_NaN(), L"NaN"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatSingle(c.value, invariant), c.text) << c.text;
    EXPECT_EQ(FormatSingle(-1.5e7f, {L",", L"\u2212"}), L"\u22121,5E+07");
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
