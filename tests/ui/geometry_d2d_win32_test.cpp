// Path texts built into Direct2D geometries and stroked on a real DC render target over a DIB.
// Wine ignores stroke styles (no round caps), so no pixel is checked near a stroke's end.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "core/common/errors.h"
#include "ui/gdi_win32.h"
#include "ui/geometry_d2d_win32.h"
#include "ui/graphics_win32.h"
#include "ui/icons.h"

namespace Ravenquill::Ui {
namespace {

using Interop::ComPtr;
namespace Graphics = Interop::Graphics;
namespace Win32 = Interop::Win32;

constexpr int Size = 48;
constexpr std::uint32_t Ink = 0xFF102030;

// A 48 × 48 DIB with a DC render target bound to it, cleared transparent by each Draw.
class PathTarget : public testing::Test {
protected:
    void SetUp() override {
        factory_ = Graphics::CreateD2DFactory();
        const Win32::ScreenDC screen;
        ASSERT_TRUE(screen);
        dc_.reset(CreateCompatibleDC(screen.get()));
        ASSERT_TRUE(dc_);
        dib_ = Win32::CreateTopDownDibSection(dc_.get(), Size, Size);
        ASSERT_TRUE(dib_.Bitmap);
        selection_ = Win32::ObjectSelection(dc_.get(), dib_.Bitmap.get());
        ASSERT_TRUE(selection_);
        const D2D1_RENDER_TARGET_PROPERTIES properties{
            D2D1_RENDER_TARGET_TYPE_DEFAULT,
            D2D1_PIXEL_FORMAT{DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED},
            96,
            96,
            D2D1_RENDER_TARGET_USAGE_NONE,
            D2D1_FEATURE_LEVEL_DEFAULT};
        // Made directly: the wrappers' results are not what this test is about.
        Graphics::ThrowIfFailed(factory_->CreateDCRenderTarget(&properties, target_.GetAddressOf()));
        const RECT area{0, 0, Size, Size};
        Graphics::ThrowIfFailed(target_->BindDC(dc_.get(), &area));
        const D2D1_COLOR_F ink = Interop::ColorF(Ink).ToD2D();
        Graphics::ThrowIfFailed(target_->CreateSolidColorBrush(&ink, nullptr, brush_.GetAddressOf()));
    }

    // Strokes the path fitted into rect and returns whether the transform was the identity after.
    bool Draw(std::wstring_view path, Rect rect, float strokeWidth) {
        const PathGeometry built = Geometry::BuildPathGeometry(factory_.Get(), path);
        Graphics::BeginDraw(target_.Get());
        Graphics::Clear(target_.Get(), Interop::ColorF(0));
        Geometry::StrokeFitted(target_.Get(), built.Geometry.Get(), built.Bounds, rect, brush_.Get(), strokeWidth,
                               nullptr);
        D2D1_MATRIX_3X2_F after{};
        target_->GetTransform(&after);
        Graphics::ThrowIfFailed(target_->EndDraw(nullptr, nullptr));
        return after._11 == 1 && after._12 == 0 && after._21 == 0 && after._22 == 1 && after._31 == 0 && after._32 == 0;
    }

    // The alpha of the pixel at (x, y).
    unsigned Alpha(int x, int y) const {
        GdiFlush();
        return static_cast<const std::uint8_t*>(dib_.Bits)[(y * Size + x) * 4 + 3];
    }
    int PaintedPixels() const {
        int n = 0;
        for (int y = 0; y < Size; ++y)
            for (int x = 0; x < Size; ++x) n += Alpha(x, y) != 0;
        return n;
    }

    ComPtr<ID2D1Factory> factory_;
    Win32::UniqueMemoryDC dc_;
    Win32::DibSection dib_;
    Win32::ObjectSelection selection_;
    ComPtr<ID2D1DCRenderTarget> target_;
    ComPtr<ID2D1SolidColorBrush> brush_;
};

UINT32 Figures(ID2D1PathGeometry* g) {
    UINT32 n = 0;
    Graphics::ThrowIfFailed(g->GetFigureCount(&n));
    return n;
}
UINT32 Segments(ID2D1PathGeometry* g) {
    UINT32 n = 0;
    Graphics::ThrowIfFailed(g->GetSegmentCount(&n));
    return n;
}

TEST_F(PathTarget, EveryIconBuildsWithItsFiguresAndTheScannedBounds) {
    struct Case {
        std::wstring_view Path;
        UINT32 Figures, Segments, ClosedFigures;
    };
    const Case cases[] = {
        {Icons::SmallCheckMark, 1, 2, 0}, {Icons::CheckMark, 1, 2, 0}, {Icons::Minimize, 1, 1, 0},
        {Icons::Close, 2, 2, 0},          {Icons::Warning, 3, 4, 1},   {Icons::Shield, 1, 5, 1},
        {Icons::Trash, 3, 7, 0},          {Icons::Folder, 1, 5, 1},
    };
    for (const Case& c : cases) {
        const PathGeometry built = Geometry::BuildPathGeometry(factory_.Get(), c.Path);
        EXPECT_EQ(Figures(built.Geometry.Get()), c.Figures) << c.Path.size();
        // Wine counts the line that closes a figure as a segment of its own.
        const UINT32 segments = Segments(built.Geometry.Get());
        EXPECT_TRUE(segments == c.Segments || segments == c.Segments + c.ClosedFigures) << segments;
        EXPECT_EQ(built.Bounds, Geometry::PathBounds(c.Path)) << c.Path.size();
    }
}

TEST_F(PathTarget, LineBeforeTheFirstMoveIsLeftOutSoTheGeometryCloses) {
    // Direct2D refuses, at Close, a geometry with a segment outside a figure.
    const PathGeometry built = Geometry::BuildPathGeometry(factory_.Get(), L"L 40,40 M 0,0 L 10,0");
    EXPECT_EQ(Figures(built.Geometry.Get()), 1u);
    EXPECT_EQ(Segments(built.Geometry.Get()), 1u);
    EXPECT_EQ(built.Bounds, (Rect{0, 0, 40, 40}));
    EXPECT_THROW(Geometry::BuildPathGeometry(factory_.Get(), L"M 0,0 L 1.2.3,4"), FormatException);
}

TEST_F(PathTarget, MinimiseGlyphIsAHorizontalLineAcrossItsRectangle) {
    // Fitted into (4, 19.5)-(40, 20.5): a line from (4, 20) to (40, 20), 2 pixels wide on screen
    // although the path is scaled by 36 / 11.
    EXPECT_TRUE(Draw(Icons::Minimize, Rect{4, 19.5f, 40, 20.5f}, 2));
    for (int x : {6, 20, 37}) {
        EXPECT_EQ(Alpha(x, 19), 255u) << x;
        EXPECT_EQ(Alpha(x, 20), 255u) << x;
        EXPECT_EQ(Alpha(x, 18), 0u) << x;
        EXPECT_EQ(Alpha(x, 21), 0u) << x;
    }
    EXPECT_EQ(Alpha(1, 20), 0u);
    EXPECT_EQ(Alpha(44, 20), 0u);
}

TEST_F(PathTarget, CrossIsScaledIntoItsSquareAndCentred) {
    // Bounds 10 × 10 into a 20 × 30 box: scale 2 (the width decides), centred vertically at 10..30.
    EXPECT_TRUE(Draw(Icons::Close, Rect{10, 5, 30, 35}, 2));
    EXPECT_EQ(Alpha(20, 20), 255u);                              // the crossing
    EXPECT_EQ(Alpha(13, 13), 255u);                              // on the falling diagonal
    EXPECT_EQ(Alpha(26, 13), 255u);                              // on the rising diagonal
    EXPECT_EQ(Alpha(20, 12), 0u);                                // between the arms at the top
    EXPECT_EQ(Alpha(20, 7) + Alpha(20, 33) + Alpha(5, 20), 0u);  // above, below and beside the fit
}

TEST_F(PathTarget, ScalesThatAreNotFiniteAndPositiveDrawNothing) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        std::wstring_view Path;
        Rect Box;
    };
    const Case cases[] = {
        {L"M 5,5", {0, 0, 40, 40}},        // one point: both ratios infinite
        {L"", {0, 0, 40, 40}},             // no points at all
        {Icons::Close, {30, 0, 10, 40}},   // an inverted rectangle
        {Icons::Close, {10, 10, 10, 40}},  // a rectangle without width
        {Icons::Close, {nan, 0, 40, 40}},  // a rectangle of no numbers
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(Draw(c.Path, c.Box, 2)) << c.Path.size();
        EXPECT_EQ(PaintedPixels(), 0) << c.Path.size();
    }
}

}  // namespace
}  // namespace Ravenquill::Ui
