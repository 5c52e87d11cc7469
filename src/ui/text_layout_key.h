#pragma once
// Keys of the canvas's text-format and text-layout caches and the rules for the extents a layout
// is made with. Keys hold the numbers themselves: text made from them would follow the user's
// number format, and two different numbers could then share a key.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "rect.h"
#include "text_style.h"

namespace Ravenquill::Ui {

// One text format per style without its colour.
struct TextFormatKey {
    std::wstring Family;
    float Size = 0;
    std::uint32_t Weight = 0;
    bool Wrap = false;
    float LineHeight = 0;
    bool Ellipsis = false;
    TextAlign Align = TextAlign::Left;

    static TextFormatKey Of(const TextStyle& style);
    friend bool operator==(const TextFormatKey& a, const TextFormatKey& b) noexcept;
};

// One layout per text, format key and maximum width exactly as the caller passed it (before
// LayoutExtent); the maximum height is not part of the key.
struct TextLayoutKey {
    std::wstring Text;
    TextFormatKey Format;
    float MaxWidth = 0;

    static TextLayoutKey Of(std::wstring_view text, const TextStyle& style, float maxWidth);
    friend bool operator==(const TextLayoutKey& a, const TextLayoutKey& b) noexcept;
};

struct TextFormatKeyHash {
    std::size_t operator()(const TextFormatKey& key) const noexcept;
};
struct TextLayoutKeyHash {
    std::size_t operator()(const TextLayoutKey& key) const noexcept;
};

// Above this many cached layouts the whole layout cache is dropped before the next one is stored.
inline constexpr std::size_t MaxCachedTextLayouts = 512;
// The largest extent a layout is made with; infinite or larger extents become this.
inline constexpr float MaxLayoutExtent = 100000.0f;

// The extent a layout is made with: infinite (either sign) or above 100000 → 100000; NaN and other
// values unchanged.
float LayoutExtent(float extent) noexcept;
// The width or height a layout is made with: LayoutExtent, and a negative or NaN extent becomes 0,
// because DirectWrite refuses either and the whole frame would fail with it.
float NonNegativeLayoutExtent(float extent) noexcept;

// The geometry-cache key of a rounded clip: "rr:" + Left, Top, Right, Bottom and radius, each as
// the shortest text that reads back to the same float, with '.' whatever the user's number format.
std::wstring RoundedClipKey(const Rect& rect, float radius);

}  // namespace Ravenquill::Ui
