#include "shell/chrome_shadow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <vector>

namespace Ravenquill::Shell {
namespace {

using ChromeShadow::Alpha;
using ChromeShadow::BoxBlurTranspose;
using ChromeShadow::InsideRoundedRect;

TEST(ChromeShadow, InsideRoundedRectCountsEdgesButNotCutCorners) {
    const Ui::Rect r{24, 30, 916, 562};
    struct Case {
        float x, y;
        bool inside;
    };
    const Case cases[] = {
        {470, 296, true},      {24, 296, true},       {916, 296, true},     {470, 30, true},
        {470, 562, true},      {23.9f, 296, false},   {916.1f, 296, false}, {470, 29.9f, false},
        {470, 562.1f, false},  {24.5f, 30.5f, false},  // the corner square outside the arc
        {34, 30, true},                                // where the arc meets the top edge
        {27, 33, true},                                // (−7, −7) from the arc's centre (34, 40): 98 ≤ 100
        {26.9f, 32.9f, false},                         // (−7.1, −7.1): 100.82 > 100
    };
    for (const Case& c : cases) EXPECT_EQ(InsideRoundedRect(c.x, c.y, r, 10), c.inside) << c.x << "," << c.y;
}

// The blur by its definition: each output value the mean of 2r + 1 inputs, clamped at the ends.
std::vector<float> NaiveBlurTranspose(const std::vector<float>& source, int width, int height, int radius) {
    std::vector<float> out(source.size());
    for (int r = 0; r < height; ++r)
        for (int i = 0; i < width; ++i) {
            float sum = 0;
            for (int k = i - radius; k <= i + radius; ++k)
                sum += source[static_cast<size_t>(r * width + std::clamp(k, 0, width - 1))];
            out[static_cast<size_t>(i * height + r)] = sum / static_cast<float>(2 * radius + 1);
        }
    return out;
}

TEST(ChromeShadow, BoxBlurTransposeIsARunningMeanWrittenTransposed) {
    const int width = 7;
    const int height = 3;
    std::vector<float> source(width * height);
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<float>((i * 37) % 11);
    for (const int radius : {0, 1, 2, 6, 9}) {
        std::vector<float> blurred(source.size());
        BoxBlurTranspose(source, blurred, width, height, radius);
        const auto expected = NaiveBlurTranspose(source, width, height, radius);
        for (size_t i = 0; i < blurred.size(); ++i)
            EXPECT_NEAR(blurred[i], expected[i], 1e-4f) << "radius " << radius << " index " << i;
    }
    // Radius 0 is a plain transpose: (row 1, column 4) lands at (row 4, column 1).
    std::vector<float> transposed(source.size());
    BoxBlurTranspose(source, transposed, width, height, 0);
    EXPECT_EQ(transposed[4 * height + 1], source[1 * width + 4]);
}

TEST(ChromeShadow, AlphaIsCoverageTimesOpacityClampedAndTruncated) {
    EXPECT_EQ(Alpha(1, 0.55f), 140);  // trunc(140.25)
    EXPECT_EQ(Alpha(1, 0.22f), 56);   // trunc(56.1)
    EXPECT_EQ(Alpha(0, 0.55f), 0);
    EXPECT_EQ(Alpha(0.5f, 0.55f), 70);
    EXPECT_EQ(Alpha(1.5f, 1), 255);
    EXPECT_EQ(Alpha(-0.1f, 1), 0);
}

struct ShadowPixels : ::testing::Test {
    static const std::vector<std::uint8_t>& Dark() {
        static const std::vector<std::uint8_t> pixels = ChromeShadow::Pixels(0.55f);
        return pixels;
    }
    static int AlphaAt(const std::vector<std::uint8_t>& pixels, int x, int y) {
        return pixels[(static_cast<size_t>(y) * ChromeShadow::Width + static_cast<size_t>(x)) * 4 + 3];
    }
};

TEST_F(ShadowPixels, BlackWithAlphaFromTheBlurredMask) {
    const auto& pixels = Dark();
    ASSERT_EQ(pixels.size(), 940u * 580u * 4u);
    const std::vector<float> mask = ChromeShadow::BlurredMask();
    for (const auto& [x, y] : {std::pair{0, 0}, {470, 296}, {470, 568}, {470, 20}, {10, 300}, {930, 575}, {30, 40}}) {
        const size_t i = static_cast<size_t>(y) * 940 + static_cast<size_t>(x);
        EXPECT_EQ(pixels[i * 4 + 0], 0);
        EXPECT_EQ(pixels[i * 4 + 1], 0);
        EXPECT_EQ(pixels[i * 4 + 2], 0);
        EXPECT_EQ(AlphaAt(pixels, x, y), Alpha(mask[i], 0.55f)) << x << "," << y;
    }
}

TEST_F(ShadowPixels, FullInsideNoneFarAwayAndLongerBelowThanAbove) {
    const auto& dark = Dark();
    EXPECT_EQ(AlphaAt(dark, 470, 296), 140);
    EXPECT_EQ(AlphaAt(ChromeShadow::Pixels(0.22f), 470, 296), 56);
    EXPECT_EQ(AlphaAt(dark, 0, 0), 0);
    EXPECT_EQ(AlphaAt(dark, 470, 0), 0);
    EXPECT_EQ(AlphaAt(dark, 939, 579), 0);
    // 6 px above the card's top and 6 px below its bottom: the shape lies 6 px lower.
    EXPECT_GT(AlphaAt(dark, 470, 562), AlphaAt(dark, 470, 18));
    EXPECT_GT(AlphaAt(dark, 470, 570), 0);
    // Left and right alike (up to the order in which the running sums round).
    EXPECT_NEAR(AlphaAt(dark, 20, 296), AlphaAt(dark, 919, 296), 1);
    EXPECT_GT(AlphaAt(dark, 20, 296), 0);
}

}  // namespace
}  // namespace Ravenquill::Shell
