#include "number_format.h"

#include "shortest_digits.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace Ravenquill {
namespace {
const NumberFormat* g_override = nullptr;

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
}  // namespace

const NumberFormat& CurrentNumberFormat() {
    if (g_override != nullptr) return *g_override;
    static const NumberFormat platform = Detail::PlatformNumberFormat();
    return platform;
}

ScopedNumberFormat::ScopedNumberFormat(NumberFormat format) : format_(std::move(format)), previous_(g_override) {
    g_override = &format_;
}

ScopedNumberFormat::~ScopedNumberFormat() { g_override = previous_; }

std::wstring FormatDouble(double value, const NumberFormat& format) {
    if (std::isnan(value)) return L"NaN";
    if (std::isinf(value)) return value > 0 ? L"\u221E" : format.NegativeSign + L"\u221E";
    if (value == 0) return L"0";  // -0 prints as 0 too
    const std::string sci = ShortestScientific(value);
    const auto e = sci.find('e');
    const int exponent = std::atoi(sci.c_str() + e + 1);
    std::string digits;
    const bool negative = sci[0] == '-';
    for (std::size_t i = negative ? 1 : 0; i < e; ++i)
        if (sci[i] != '.') digits.push_back(sci[i]);
    std::string out = negative ? "-" : "";
    if (exponent >= 15 || exponent < -4) {
        out += digits.substr(0, 1);
        if (digits.size() > 1) out += "." + digits.substr(1);
        char exp[16];
        std::snprintf(exp, sizeof exp, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
        out += exp;
    } else if (exponent < 0) {
        out += "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    } else {
        const auto whole = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= whole) {
            out += digits + std::string(whole - digits.size(), '0');
        } else {
            out += digits.substr(0, whole) + "." + digits.substr(whole);
        }
    }
    return Localise(out, format);
}

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
