#include "number_format.h"

#include "shortest_digits.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace Ravenquill {
namespace {

std::wstring Localise(std::string_view ascii, const NumberFormat& format) {
    std::wstring out;
    for (char c : ascii) {
        if (c == '.')
            out += format.DecimalSeparator;
        else if (c == '-')
            out += format.NegativeSign;
        else
            out.push_back(static_cast<wchar_t>(c));
    }
    return out;
}

// The general form of the platform's default number text from the shortest scientific digits
// ("1.5e+07"): exponent notation once the number has more whole digits than the type's precision
// or than its own shortest digits, whichever is more, and below 0.0001.
std::wstring GeneralForm(std::string_view scientific, int precision, const NumberFormat& format) {
    const auto e = scientific.find('e');
    const int exponent = std::atoi(std::string(scientific.substr(e + 1)).c_str());
    const bool negative = scientific[0] == '-';
    std::string digits;
    for (std::size_t i = negative ? 1 : 0; i < e; ++i)
        if (scientific[i] != '.') digits.push_back(scientific[i]);
    const int wholeDigits = exponent + 1;
    std::string out(negative ? "-" : "");
    if (wholeDigits > std::max(precision, static_cast<int>(digits.size())) || exponent < -4) {
        out.append(digits, 0, 1);
        if (digits.size() > 1) out.append(".").append(digits, 1);
        char exp[16];
        std::snprintf(exp, sizeof exp, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
        out.append(exp);
    } else if (exponent < 0) {
        out.append("0.").append(static_cast<std::size_t>(-exponent - 1), '0').append(digits);
    } else {
        const auto whole = static_cast<std::size_t>(wholeDigits);
        if (digits.size() <= whole) {
            out.append(digits).append(whole - digits.size(), '0');
        } else {
            out.append(digits, 0, whole).append(".").append(digits, whole);
        }
    }
    return Localise(out, format);
}

template <class Float>
std::wstring FormatShortest(Float value, int precision, const NumberFormat& format) {
    if (std::isnan(value)) return L"NaN";
    if (std::isinf(value)) return value > 0 ? L"\u221E" : format.NegativeSign + L"\u221E";
    if (value == 0) return L"0";  // -0 prints as 0 too
    return GeneralForm(ShortestScientific(value), precision, format);
}

}  // namespace

std::optional<NumberFormat>& Detail::ReplacedNumberFormat() noexcept {
    static std::optional<NumberFormat> replaced;
    return replaced;
}

const NumberFormat& CurrentNumberFormat() {
    if (const std::optional<NumberFormat>& replaced = Detail::ReplacedNumberFormat()) return *replaced;
    static const NumberFormat platform = Detail::PlatformNumberFormat();
    return platform;
}

std::wstring FormatDouble(double value, const NumberFormat& format) { return FormatShortest(value, 15, format); }

std::wstring FormatSingle(float value, const NumberFormat& format) { return FormatShortest(value, 7, format); }

std::wstring FormatDecimals(double value, int maxDecimals, const NumberFormat& format) {
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", maxDecimals, value);
    std::string s(buffer);
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    if (s == "-0") s = "0";
    return Localise(s, format);
}

}  // namespace Ravenquill
