// The C library's rounding against the standard library's shortest texts, over hand-picked edge
// values and many random bit patterns: the two must agree digit for digit.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "core/common/shortest_digits.h"

namespace Ravenquill {
namespace {

template <class Number>
std::string Expected(Number value, std::chars_format format) {
    char buffer[128];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format);
    return std::string(buffer, result.ptr);
}
template <class Number>
std::string Expected(Number value) {
    char buffer[128];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

template <class Number>
void ExpectAgreement(Number value) {
    EXPECT_EQ(ShortestText(value), Expected(value)) << std::hexfloat << value;
    if (std::isfinite(value)) {
        EXPECT_EQ(ShortestScientific(value), Expected(value, std::chars_format::scientific)) << std::hexfloat << value;
    }
}

template <class Number>
void ExpectEdgeValues() {
    using Limits = std::numeric_limits<Number>;
    for (const Number value : {Number(0),           -Number(0),           Number(1),         Number(-1),
                               Number(0.1),         Number(0.5),          Number(100),       Number(123456789),
                               Number(1e-5),        Number(1e-4),         Number(1e15),      Number(1e16),
                               Number(1e20),        Number(3.4e38),       Limits::max(),     Limits::lowest(),
                               Limits::min(),       Limits::denorm_min(), Limits::epsilon(), Limits::infinity(),
                               -Limits::infinity(), Limits::quiet_NaN()})
        ExpectAgreement(value);
    // Powers of two, where the rounding interval is narrower below than above.
    for (int exponent = Limits::min_exponent - Limits::digits; exponent < Limits::max_exponent; exponent += 7)
        ExpectAgreement(std::ldexp(Number(1), exponent));
}

TEST(ShortestDigits, EdgeValuesAgreeWithTheStandardLibrary) {
    ExpectEdgeValues<double>();
    ExpectEdgeValues<float>();
}

TEST(ShortestDigits, RandomBitPatternsAgreeWithTheStandardLibrary) {
    std::mt19937_64 random(20240611);
    for (int i = 0; i < 10000; ++i) {
        const std::uint64_t bits = random();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        const auto narrow = static_cast<std::uint32_t>(bits >> 32);
        float f;
        std::memcpy(&f, &narrow, sizeof f);
        if (!std::isnan(d)) {
            ExpectAgreement(d);
        }
        if (!std::isnan(f)) {
            ExpectAgreement(f);
        }
        // Short decimals, the values that texts and layouts mostly meet.
        ExpectAgreement(static_cast<double>(bits % 100000) / 100);
        ExpectAgreement(static_cast<float>(bits % 100000) / 8);
    }
}

TEST(ShortestDigits, ReadsTextBack) {
    EXPECT_EQ(ReadDouble("0.1"), 0.1);
    EXPECT_EQ(ReadDouble("1e+20"), 1e20);
    EXPECT_EQ(ReadDouble(""), 0);
}

}  // namespace
}  // namespace Ravenquill
