#include "float_text.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <string_view>

#include "core/common/shortest_digits.h"

namespace Ravenquill::Ui::Detail {
std::wstring InvariantSingle(float value) {
    if (std::isnan(value)) return L"NaN";
    const std::string digits = ShortestText(value);
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
