#pragma once
// The shortest decimal digits that read back to the same number, made with the C library's
// correctly rounded printf and checked with std::from_chars. std::to_chars would do it too, but
// brings about 170 KB of tables into every program that formats a number.
#include <string>

namespace Ravenquill {

// Finite numbers only, in scientific form: "1.5e-07", "-2e+00", "1.2345678901234567e+300".
std::string ShortestScientific(double value);
std::string ShortestScientific(float value);

// The same digits as the shorter of plain and scientific notation, plain on a tie ("0.001",
// "1e+20", "123456", "1.5e-05"): the form std::to_chars gives without a format, "inf" and "nan"
// included.
std::string ShortestText(double value);
std::string ShortestText(float value);

// The number a text of digits reads back to ("C" notation); 0 when it holds none.
double ReadDouble(const std::string& text);

}  // namespace Ravenquill
