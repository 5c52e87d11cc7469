#pragma once
// Shapes, fonts and numbers that several widgets share.
#include <limits>

namespace Ravenquill::Ui::WidgetParts {

inline constexpr wchar_t BodyFamily[] = L"Segoe UI Variable Text";
// Headings, the sidebar's product name and dialog titles; file names and the journal.
inline constexpr wchar_t DisplayFamily[] = L"Segoe UI Variable Display";
inline constexpr wchar_t MonoFamily[] = L"Cascadia Mono";
inline constexpr float LabelSize = 13.5f;
inline constexpr float DescriptionSize = 11.5f;
inline constexpr unsigned Regular = 400;
inline constexpr unsigned Semibold = 600;

inline constexpr float ButtonRadius = 6;
inline constexpr float CardRadius = 8;
inline constexpr float BoxSize = 19;
inline constexpr float BoxRadius = 4;
inline constexpr float BoxOutline = 1.2f;
inline constexpr float CheckMarkStroke = 1.8f;
// A tick in a 9.4 × 6.4 box, fitted into a 10 × 8 rectangle inside the check box.
inline constexpr wchar_t CheckMark[] = L"M 0,4.2 L 3.4,7.6 L 9.4,1.2";

// What Measure takes as "no width limit".
inline constexpr float Unlimited = std::numeric_limits<float>::max();

}  // namespace Ravenquill::Ui::WidgetParts
