#pragma once
// How a text is drawn: font, size, weight, colour, wrapping, line height, ellipsis and alignment.
// Styles are plain values made afresh every frame; a variant is a copy with members replaced:
//     TextStyle centred = Widgets::LabelStyle(theme);
//     centred.Align = TextAlign::Center;
#include <cstddef>
#include <cstdint>
#include <string>

namespace Ravenquill::Ui {

enum class TextAlign : int { Left = 0, Center = 1, Right = 2 };

// The member's name: "Left", "Center", "Right" (other values as their number).
std::wstring ToString(TextAlign align);

struct TextStyle {
    std::wstring Family;
    float Size = 0;
    std::uint32_t Weight = 400;
    std::uint32_t Color = 0;  // 0xAARRGGBB, straight alpha
    bool Wrap = false;
    float LineHeight = 0;  // 0 keeps the font's own spacing
    bool Ellipsis = false;
    TextAlign Align = TextAlign::Left;

    TextStyle(std::wstring family, float size, std::uint32_t weight, std::uint32_t color, bool wrap = false,
              float lineHeight = 0, bool ellipsis = false, TextAlign align = TextAlign::Left)
        : Family(std::move(family)),
          Size(size),
          Weight(weight),
          Color(color),
          Wrap(wrap),
          LineHeight(lineHeight),
          Ellipsis(ellipsis),
          Align(align) {}

    // All eight members; the family ordinally, floats equal when both are NaN.
    friend bool operator==(const TextStyle& a, const TextStyle& b) noexcept;

    // "TextStyle { Family = …, Size = …, Weight = …, Color = …, Wrap = …, LineHeight = …,
    // Ellipsis = …, Align = … }", floats in the user's number format.
    std::wstring ToString() const;
};

// A hash that agrees with operator== (NaN sizes hash alike, as do 0 and -0).
struct TextStyleHash {
    std::size_t operator()(const TextStyle& style) const noexcept;
};

}  // namespace Ravenquill::Ui
