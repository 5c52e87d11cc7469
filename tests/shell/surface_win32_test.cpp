#include "shell/surface_win32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace Ravenquill::Shell {
namespace {

namespace Graphics = Interop::Graphics;

struct SurfaceFixture : ::testing::Test {
    Interop::ComPtr<ID2D1Factory> d2d = Graphics::CreateD2DFactory();
    Interop::ComPtr<IDWriteFactory> dwrite = Graphics::CreateDWriteFactory();
};

TEST_F(SurfaceFixture, PixelSizeIsTheScaledSizeRoundedUp) {
    struct Case {
        float scale;
        std::int32_t width, height;
    };
    const Case cases[] = {
        {1, 940, 580}, {1.25f, 1175, 725}, {1.5f, 1410, 870}, {2, 1880, 1160}, {106.0f / 96.0f, 1038, 641}};
    for (const Case& c : cases) {
        Surface surface(d2d.Get(), dwrite.Get(), 940, 580, c.scale);
        EXPECT_EQ(surface.Width, 940);
        EXPECT_EQ(surface.Height, 580);
        EXPECT_EQ(surface.Scale, c.scale);
        EXPECT_EQ(surface.PixelWidth, c.width) << c.scale;
        EXPECT_EQ(surface.PixelHeight, c.height) << c.scale;
        EXPECT_EQ(surface.CopyPixels().size(), static_cast<size_t>(c.width) * c.height * 4);
        // The target's DPI makes logical coordinates land on the bitmap.
        float dpiX = 0, dpiY = 0;
        surface.RenderTarget()->GetDpi(&dpiX, &dpiY);
        EXPECT_FLOAT_EQ(dpiX, 96 * c.scale);
        EXPECT_FLOAT_EQ(dpiY, 96 * c.scale);
    }
}

TEST_F(SurfaceFixture, AFrameWithNothingDrawnIsAllZero) {
    Surface surface(d2d.Get(), dwrite.Get(), 940, 580, 1);
    // Something drawn first, so the clear of the next frame is what leaves the zeros.
    surface.BeginDraw();
    surface.Canvas().FillRect(Ui::Rect{0, 0, 940, 580}, 0xFF336699);
    surface.EndDraw();
    surface.BeginDraw();
    surface.EndDraw();
    const std::vector<std::uint8_t> pixels = surface.CopyPixels();
    EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST_F(SurfaceFixture, PixelsAreStoredPremultipliedTopRowFirst) {
    Surface surface(d2d.Get(), dwrite.Get(), 940, 580, 1);
    surface.BeginDraw();
    surface.Canvas().FillRect(Ui::Rect{0, 0, 940, 10}, 0x80FF8040);  // half-transparent, top rows only
    surface.EndDraw();
    const std::vector<std::uint8_t> pixels = surface.CopyPixels();
    const std::uint8_t* top = &pixels[(5 * 940 + 100) * 4];
    const std::uint8_t alpha = top[3];
    EXPECT_NEAR(alpha, 0x80, 1);
    for (int channel = 0; channel < 3; ++channel) EXPECT_LE(top[channel], alpha);
    EXPECT_NEAR(top[2], 0x80, 2);  // red 0xFF × 0x80 / 0xFF
    EXPECT_NEAR(top[0], 0x20, 2);  // blue 0x40 × 0x80 / 0xFF
    const std::uint8_t* below = &pixels[(20 * 940 + 100) * 4];
    EXPECT_EQ(below[3], 0);
    EXPECT_EQ(surface.Pixel(100, 5) >> 24, alpha);
}

TEST_F(SurfaceFixture, AtAScaleLogicalCoordinatesCoverScaledDevicePixels) {
    Surface surface(d2d.Get(), dwrite.Get(), 940, 580, 1.5f);
    surface.BeginDraw();
    surface.Canvas().FillRect(Ui::Rect{100, 100, 200, 150}, 0xFFFFFFFF);
    surface.EndDraw();
    EXPECT_EQ(surface.Pixel(151, 151), 0xFFFFFFFFu);  // logical (100.7, 100.7)
    EXPECT_EQ(surface.Pixel(298, 223), 0xFFFFFFFFu);  // logical (198.7, 148.7)
    EXPECT_EQ(surface.Pixel(302, 151), 0u);
    EXPECT_EQ(surface.Pixel(148, 151), 0u);
}

TEST_F(SurfaceFixture, ARecreatedTargetDrawsAgainWithFreshCaches) {
    Surface surface(d2d.Get(), dwrite.Get(), 200, 100, 1);
    surface.BeginDraw();
    surface.Canvas().FillRect(Ui::Rect{0, 0, 200, 100}, 0xFF4C8DFF);
    surface.EndDraw();
    ID2D1DCRenderTarget* old = surface.RenderTarget();
    old->AddRef();
    surface.RecreateTarget();
    EXPECT_NE(surface.RenderTarget(), old);
    EXPECT_EQ(old->Release(), 0u);  // nothing of the old target is kept
    EXPECT_EQ(surface.Canvas().BrushCount(), 0u);
    EXPECT_EQ(surface.Canvas().RenderTarget(), surface.RenderTarget());
    surface.BeginDraw();
    surface.Canvas().FillRect(Ui::Rect{0, 0, 200, 100}, 0xFF20A040);
    surface.EndDraw();
    EXPECT_EQ(surface.Pixel(50, 50), 0xFF20A040u);
}

TEST_F(SurfaceFixture, AnImpossibleBitmapIsAGraphicsError) {
    // Far more pixel memory than a DIB section may have.
    EXPECT_THROW(Surface(d2d.Get(), dwrite.Get(), 940, 580, 400), Interop::GraphicsException);
}

}  // namespace
}  // namespace Ravenquill::Shell
