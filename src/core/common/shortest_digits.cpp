#include "shortest_digits.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace Ravenquill {
namespace {

struct Scientific {
    std::string Digits;  // significant digits, the first one not 0 (unless the number is 0)
    int Exponent = 0;    // of the first digit

    std::string Text(bool negative) const {
        std::string text;
        if (negative) text.push_back('-');
        text.push_back(Digits[0]);
        if (Digits.size() > 1) {
            text.push_back('.');
            text.append(Digits, 1);
        }
        char exponent[16];
        std::snprintf(exponent, sizeof exponent, "e%c%02d", Exponent < 0 ? '-' : '+', std::abs(Exponent));
        return text.append(exponent);
    }
};

Scientific Printed(double magnitude, int precision) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%.*e", precision, magnitude);
    Scientific s;
    const char* c = buffer;
    for (; *c != 'e'; ++c)
        if (*c != '.') s.Digits.push_back(*c);
    s.Exponent = std::atoi(c + 1);
    return s;
}

// The same number of digits one unit above or below in the last place.
Scientific Neighbour(Scientific s, int step) {
    std::string& d = s.Digits;
    const std::size_t count = d.size();
    if (step > 0) {
        std::size_t i = count;
        while (i > 0 && d[i - 1] == '9') d[--i] = '0';
        if (i == 0) {
            d.insert(d.begin(), '1');
            d.pop_back();
            ++s.Exponent;
        } else {
            ++d[i - 1];
        }
    } else {
        std::size_t i = count;
        while (i > 0 && d[i - 1] == '0') d[--i] = '9';
        if (i > 0) --d[i - 1];
        if (d[0] == '0' && count > 1) {
            d.erase(d.begin());
            d.push_back('9');
            --s.Exponent;
        }
    }
    while (d.size() > 1 && d.back() == '0') d.pop_back();
    return s;
}

// The fewest digits that read back to the value and, among those, the nearest to it: printf's
// correctly rounded digits, or where those fall just outside the value's rounding interval (its
// lower half is narrower at a power of two) the neighbour on the other side.
// std::from_chars rounds correctly everywhere; the C library's strtod of the MinGW runtime misses
// at some powers of two.
template <class Number>
Number Read(const std::string& text) {
    Number value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

template <class Number>
Scientific Shortest(Number magnitude, int maxPrecision) {
    const auto readsBack = [&](const Scientific& s) { return Read<Number>(s.Text(false)) == magnitude; };
    for (int precision = 0; precision < maxPrecision; ++precision) {
        const Scientific nearest = Printed(magnitude, precision);
        if (readsBack(nearest)) return nearest;
        for (const int step : {1, -1})
            if (const Scientific other = Neighbour(nearest, step);
                other.Digits.size() == nearest.Digits.size() && readsBack(other))
                return other;
    }
    return Printed(magnitude, maxPrecision);
}

template <class Number>
Scientific ShortestOf(Number value) {
    const Number magnitude = std::fabs(value);
    if (magnitude == 0) return Scientific{"0", 0};
    // Digits after the point that always read back: 8 for a float, 16 for a double.
    return Shortest(magnitude, sizeof(Number) == sizeof(float) ? 8 : 16);
}

// The numbers that layouts meet most (whole pixels, halves, a few decimals), without printf: from
// 0.001 to below 10,000 with at most three decimals, where plain notation is never the longer.
// The product with 10^k rounds to the nearest whole number, so the text is the nearest one with k
// decimals; a magnitude below 10,000 leaves no room for another such text that reads back.
template <class Number>
std::optional<std::string> SimpleDecimal(Number value) {
    const Number magnitude = std::fabs(value);
    if (!(magnitude >= Number(0.001) && magnitude < Number(10000))) return std::nullopt;
    Number scale = 1;
    for (int decimals = 0; decimals <= 3; ++decimals, scale *= 10) {
        const Number scaled = magnitude * scale;
        if (scaled != std::nearbyint(scaled)) continue;
        std::string digits = std::to_string(static_cast<long>(scaled));
        if (digits.size() <= static_cast<std::size_t>(decimals))
            digits.insert(0, static_cast<std::size_t>(decimals) + 1 - digits.size(), '0');
        std::string text = std::signbit(value) ? "-" : "";
        text.append(digits, 0, digits.size() - static_cast<std::size_t>(decimals));
        if (decimals > 0) text.append(".").append(digits, digits.size() - static_cast<std::size_t>(decimals));
        if (decimals > 0) {
            while (text.back() == '0') text.pop_back();
            if (text.back() == '.') text.pop_back();
        }
        if (Read<Number>(text) == value) return text;
    }
    return std::nullopt;
}

// As std::to_chars writes them: the shorter of plain and scientific notation, plain on a tie. A
// whole number in plain notation shows its exact digits, not the shortest ones padded with zeros.
template <class Number>
std::string Shorter(Number value) {
    if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    if (std::optional<std::string> simple = SimpleDecimal(value)) return *simple;
    const bool negative = std::signbit(value);
    const Scientific s = ShortestOf(value);
    const std::string scientific = s.Text(negative);
    std::string plain;
    if (negative) plain.push_back('-');
    const auto count = static_cast<int>(s.Digits.size());
    if (s.Exponent < 0) {
        plain.append("0.").append(static_cast<std::size_t>(-s.Exponent - 1), '0').append(s.Digits);
    } else if (s.Exponent + 1 >= count) {
        char whole[400];
        std::snprintf(whole, sizeof whole, "%.0f", static_cast<double>(std::fabs(value)));
        plain.append(whole);
    } else {
        const auto point = static_cast<std::size_t>(s.Exponent) + 1;
        plain.append(s.Digits, 0, point).append(".").append(s.Digits, point);
    }
    return plain.size() <= scientific.size() ? plain : scientific;
}

}  // namespace

std::string ShortestScientific(double value) { return ShortestOf(value).Text(std::signbit(value)); }
std::string ShortestScientific(float value) { return ShortestOf(value).Text(std::signbit(value)); }

std::string ShortestText(double value) { return Shorter(value); }
std::string ShortestText(float value) { return Shorter(value); }

double ReadDouble(const std::string& text) { return Read<double>(text); }

}  // namespace Ravenquill
