#pragma once
// Shapes, fonts and numbers that several widgets, the frame and the pages share.
#include <algorithm>
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

// What Measure takes as "no width limit": a text measured at it keeps its natural width.
inline constexpr float Unbounded = std::numeric_limits<float>::max();

// A button is as wide as its label (measured unbounded, rounded) and its padding ask, never
// narrower than its kind's minimum: the primary button with its semibold label, the secondary
// one with the regular label.
inline constexpr float PrimaryButtonMinWidth = 132;
inline constexpr float PrimaryButtonPadding = 44;
inline constexpr float SecondaryButtonMinWidth = 112;
inline constexpr float SecondaryButtonPadding = 36;
inline float PrimaryButtonWidth(float labelWidth) {
    return std::max(PrimaryButtonMinWidth, labelWidth + PrimaryButtonPadding);
}
inline float SecondaryButtonWidth(float labelWidth) {
    return std::max(SecondaryButtonMinWidth, labelWidth + SecondaryButtonPadding);
}

}  // namespace Ravenquill::Ui::WidgetParts
