#pragma once
// A rectangle in logical pixels. Its layout is that of Direct2D's rectangle of four floats, so the
// drawing layer hands it to Direct2D unchanged. Edges are never normalised: a rectangle whose edges
// are swapped keeps a negative width or height.
#include <type_traits>

namespace Ravenquill::Ui {

struct Rect {
    float Left = 0;
    float Top = 0;
    float Right = 0;
    float Bottom = 0;

    constexpr float Width() const noexcept { return Right - Left; }
    constexpr float Height() const noexcept { return Bottom - Top; }

    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

static_assert(sizeof(Rect) == 4 * sizeof(float) && std::is_standard_layout_v<Rect> &&
                  std::is_trivially_copyable_v<Rect>,
              "Rect must keep the layout of Direct2D's rectangle");

}  // namespace Ravenquill::Ui
