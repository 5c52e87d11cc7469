#pragma once
// Floats of the toolkit's records: an invariant text for cache keys, equality and hash. Text forms
// shown to people use FormatSingle (core/common/number_format.h).
#include <cstddef>
#include <string>

namespace Ravenquill::Ui::Detail {

// The shortest digits that read back to the same float, always with '.' and '-'.
std::wstring InvariantSingle(float value);
// Equality of float members in records: equal numbers, or both NaN.
inline bool SameSingle(float a, float b) noexcept { return a == b || (a != a && b != b); }
// A hash that agrees with SameSingle.
std::size_t HashSingle(float value) noexcept;

}  // namespace Ravenquill::Ui::Detail
