#include "float_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <string_view>

namespace Ravenquill::Ui::Detail {
namespace {

std::string ShortestDigits(float value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

}  // namespace

std::wstring InvariantSingle(float value) {
    if (std::isnan(value)) return L"NaN";
    const std::string digits = ShortestDigits(value);
    return std::wstring(digits.begin(), digits.end());
}

std::size_t HashSingle(float value) noexcept {
    if (value != value) value = std::numeric_limits<float>::quiet_NaN();
    if (value == 0) value = 0;  // -0 hashes as 0
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return std::hash<std::uint32_t>{}(bits);
}

}  // namespace Ravenquill::Ui::Detail
