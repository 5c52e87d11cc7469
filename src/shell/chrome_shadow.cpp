#include "shell/chrome_shadow.h"

#include <algorithm>
#include <cstddef>

namespace Ravenquill::Shell::ChromeShadow {

bool InsideRoundedRect(float x, float y, const Ui::Rect& rect, float radius) noexcept {
    if (x < rect.Left || x > rect.Right || y < rect.Top || y > rect.Bottom) return false;
    const float cx = std::clamp(x, rect.Left + radius, rect.Right - radius);
    const float cy = std::clamp(y, rect.Top + radius, rect.Bottom - radius);
    const float dx = x - cx;
    const float dy = y - cy;
    return dx * dx + dy * dy <= radius * radius;
}

void BoxBlurTranspose(std::span<const float> source, std::span<float> destination, int width, int height,
                      int radius) noexcept {
    const float window = static_cast<float>(2 * radius + 1);
    const auto clamp = [width](int i) { return static_cast<std::size_t>(std::clamp(i, 0, width - 1)); };
    for (int r = 0; r < height; ++r) {
        const float* row = source.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(width);
        float sum = 0;
        for (int k = -radius; k <= radius; ++k) sum += row[clamp(k)];
        for (int i = 0; i < width; ++i) {
            destination[static_cast<std::size_t>(i) * static_cast<std::size_t>(height) + static_cast<std::size_t>(r)] =
                sum / window;
            sum -= row[clamp(i - radius)];
            sum += row[clamp(i + radius + 1)];
        }
    }
}

std::vector<float> BlurredMask() {
    const std::size_t count = static_cast<std::size_t>(Width) * Height;
    std::vector<float> mask(count, 0.0f);
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            if (InsideRoundedRect(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f, Shape, ShapeRadius))
                mask[static_cast<std::size_t>(y) * Width + static_cast<std::size_t>(x)] = 1.0f;
    std::vector<float> transposed(count, 0.0f);
    for (int pass = 0; pass < BlurPasses; ++pass) {
        BoxBlurTranspose(mask, transposed, Width, Height, BlurRadius);
        BoxBlurTranspose(transposed, mask, Height, Width, BlurRadius);
    }
    return mask;
}

std::uint8_t Alpha(float coverage, float opacity) noexcept {
    const float alpha = std::clamp(coverage * opacity * 255.0f, 0.0f, 255.0f);
    return static_cast<std::uint8_t>(alpha);
}

std::vector<std::uint8_t> Pixels(float opacity) {
    const std::vector<float> mask = BlurredMask();
    std::vector<std::uint8_t> pixels(mask.size() * 4, 0);
    for (std::size_t i = 0; i < mask.size(); ++i) pixels[i * 4 + 3] = Alpha(mask[i], opacity);
    return pixels;
}

}  // namespace Ravenquill::Shell::ChromeShadow
