// The wizard's icons built into Direct2D geometries and drawn through the canvas on a real DC
// render target over a DIB. Wine ignores stroke styles (no round caps), so no pixel is checked near
// a stroke's end.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/common/errors.h"
#include "ui/canvas_win32.h"
#include "ui/dib_target_win32.h"
#include "ui/geometry_d2d_win32.h"
#include "ui/icons.h"

namespace Ravenquill::Ui {
namespace {

using Interop::ComPtr;
namespace Graphics = Interop::Graphics;

constexpr int Width = 160;
constexpr int Height = 60;

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

struct IconCase {
    std::wstring_view Path;
    UINT32 Figures, Segments, ClosedFigures;
};
const IconCase IconSet[] = {
    {Icons::SmallCheckMark, 1, 2, 0}, {Icons::CheckMark, 1, 2, 0}, {Icons::Minimize, 1, 1, 0}, {Icons::Close, 2, 2, 0},
    {Icons::Warning, 3, 4, 1},        {Icons::Shield, 1, 5, 1},    {Icons::Trash, 3, 7, 0},    {Icons::Folder, 1, 5, 1},
};

TEST(PathGeometry, EveryIconBuildsWithItsFiguresAndTheScannedBounds) {
    const ComPtr<ID2D1Factory> factory = Graphics::CreateD2DFactory();
    for (const IconCase& c : IconSet) {
        const PathGeometry built = Geometry::BuildPathGeometry(factory.Get(), c.Path);
        EXPECT_EQ(Figures(built.Geometry.Get()), c.Figures) << c.Path.size();
        // Wine counts the line that closes a figure as a segment of its own.
        const UINT32 segments = Segments(built.Geometry.Get());
        EXPECT_TRUE(segments == c.Segments || segments == c.Segments + c.ClosedFigures) << segments;
        EXPECT_EQ(built.Bounds, Geometry::PathBounds(c.Path)) << c.Path.size();
    }
}

TEST(PathGeometry, LineBeforeTheFirstMoveIsLeftOutSoTheGeometryCloses) {
    // Direct2D refuses, at Close, a geometry with a segment outside a figure.
    const ComPtr<ID2D1Factory> factory = Graphics::CreateD2DFactory();
    const PathGeometry built = Geometry::BuildPathGeometry(factory.Get(), L"L 40,40 M 0,0 L 10,0");
    EXPECT_EQ(Figures(built.Geometry.Get()), 1u);
    EXPECT_EQ(Segments(built.Geometry.Get()), 1u);
    EXPECT_EQ(built.Bounds, (Rect{0, 0, 40, 40}));
    EXPECT_THROW(Geometry::BuildPathGeometry(factory.Get(), L"M 0,0 L 1.2.3,4"), FormatException);
}

std::vector<std::uint32_t> Pixels(const Testing::DibTarget& dib) {
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x) pixels.push_back(dib.Pixel(x, y));
    return pixels;
}

TEST(PathGeometry, EveryIconDrawsInsideItsBoxAndCachedDrawsMatchTheFirst) {
    const ComPtr<ID2D1Factory> d2d = Graphics::CreateD2DFactory();
    const ComPtr<IDWriteFactory> dwrite = Graphics::CreateDWriteFactory();
    Testing::DibTarget dib(d2d.Get(), Width, Height);
    D2DCanvas canvas(d2d.Get(), dwrite.Get());
    canvas.SetTarget(dib.Target());
    const Rect box{60, 10, 100, 50};
    constexpr float Stroke = 2;
    // Texts whose geometry and bounds scan see different points: a line before the first move and a
    // second pair after M. The first draw must fit them exactly as the cached ones do.
    std::vector<std::wstring_view> paths;
    for (const IconCase& c : IconSet) paths.push_back(c.Path);
    paths.push_back(L"L 30,30 M 0,0 L 10,10");
    paths.push_back(L"M 0,0 20,5 L 10,10");
    for (std::wstring_view path : paths) {
        dib.Draw([&] { canvas.DrawPath(path, box, 0xFFFFFFFF, Stroke); }, 0);
        const std::vector<std::uint32_t> first = Pixels(dib);
        int inside = 0, outside = 0;
        for (int y = 0; y < Height; ++y) {
            for (int x = 0; x < Width; ++x) {
                const bool painted = (first[y * Width + x] >> 24) != 0;
                // The stroke may reach half its width (and a pixel of antialiasing) past the box.
                const bool nearBox = x >= box.Left - 2 && x < box.Right + 2 && y >= box.Top - 2 && y < box.Bottom + 2;
                (nearBox ? inside : outside) += painted ? 1 : 0;
            }
        }
        EXPECT_GT(inside, 20) << path.size();
        EXPECT_EQ(outside, 0) << path.size();
        dib.Draw([&] { canvas.DrawPath(path, box, 0xFFFFFFFF, Stroke); }, 0);
        EXPECT_TRUE(Pixels(dib) == first) << path.size();
    }
}

}  // namespace
}  // namespace Ravenquill::Ui
