#pragma once
// Float texts of the toolkit: the user's number format for text forms shown to people, and an
// invariant form for keys.
#include <cstddef>
#include <string>

namespace Ravenquill::Ui::Detail {

// The shortest digits that read back to the same float, in the user's number format.
std::wstring FormatSingle(float value);
// The shortest digits that read back to the same float, always with '.' and '-'.
std::wstring InvariantSingle(float value);
// Equality of float members in records: equal numbers, or both NaN.
inline bool SameSingle(float a, float b) noexcept { return a == b || (a != a && b != b); }
// A hash that agrees with SameSingle.
std::size_t HashSingle(float value) noexcept;

}  // namespace Ravenquill::Ui::Detail
