#pragma once
// Numbers shown to users follow the user's number format: read once from the platform on Windows,
// "." in the native build; tests inject one with ScopedNumberFormat.
#include <optional>
#include <string>
#include <utility>

#include "scoped_override.h"

namespace Ravenquill {

struct NumberFormat {
    std::wstring DecimalSeparator = L".";
    std::wstring NegativeSign = L"-";
};

const NumberFormat& CurrentNumberFormat();

namespace Detail {
// The replacement in force, none for the platform's format.
std::optional<NumberFormat>& ReplacedNumberFormat() noexcept;
}  // namespace Detail

// Installs a number format for its lifetime (tests only).
class ScopedNumberFormat : ScopedOverride<std::optional<NumberFormat>> {
public:
    explicit ScopedNumberFormat(NumberFormat format)
        : ScopedOverride(Detail::ReplacedNumberFormat(), std::move(format)) {}
};

// The shortest text that reads back to the same double, in the general form of the platform's
// default number text: plain digits from 0.0001 up to 15 whole digits (or as many as the shortest
// digits have), otherwise "1E+15", "1E-05"; "NaN", "∞", "-∞".
std::wstring FormatDouble(double value, const NumberFormat& format = CurrentNumberFormat());
// The same for a 32-bit float, whose own shortest digits are used (0.1f prints as 0.1, not as
// its binary tail) and whose precision is 7: 1E+07, but 1234567 and 16777216.
std::wstring FormatSingle(float value, const NumberFormat& format = CurrentNumberFormat());
// Fixed point with at most maxDecimals decimals, trailing zeros dropped ("0.##" style).
std::wstring FormatDecimals(double value, int maxDecimals, const NumberFormat& format = CurrentNumberFormat());

namespace Detail {
NumberFormat PlatformNumberFormat();
}

}  // namespace Ravenquill
