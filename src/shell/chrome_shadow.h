#pragma once
// The frame's soft drop shadow as pure arithmetic: a coverage mask of the card's shape moved 6 px
// down, blurred by three box blurs along both axes (close to a Gaussian), turned into the alpha of
// black premultiplied pixels. Built once per frame object; the frame draws the result as a bitmap.
#include <cstdint>
#include <span>
#include <vector>

#include "ui/rect.h"

namespace Ravenquill::Shell::ChromeShadow {

inline constexpr int Width = 940;
inline constexpr int Height = 580;
// The card's rectangle 6 px lower, with the card's corner radius.
inline constexpr Ui::Rect Shape{24, 30, 916, 562};
inline constexpr float ShapeRadius = 10;
// A window of 23 values, applied three times in each direction.
inline constexpr int BlurRadius = 11;
inline constexpr int BlurPasses = 3;

// Outside when left of Left, right of Right, above Top or below Bottom (the edges are inside);
// otherwise inside when within radius of the point clamped into the rectangle shrunk by radius.
bool InsideRoundedRect(float x, float y, const Ui::Rect& rect, float radius) noexcept;

// One box-blur pass along the rows of source (width values per row, height rows), written
// transposed: destination holds height values per row and width rows. Positions past a row's ends
// repeat its edge value. Both spans hold width × height values.
void BoxBlurTranspose(std::span<const float> source, std::span<float> destination, int width, int height,
                      int radius) noexcept;

// Width × Height coverage values, row by row: 1 where a pixel's centre lies inside Shape, then
// blurred.
std::vector<float> BlurredMask();

// The alpha of one pixel: coverage × opacity × 255, clamped to 0 … 255 and truncated.
std::uint8_t Alpha(float coverage, float opacity) noexcept;

// Width × Height premultiplied BGRA pixels: black, with the blurred mask's alpha.
std::vector<std::uint8_t> Pixels(float opacity);

}  // namespace Ravenquill::Shell::ChromeShadow
