#include "ui/canvas_win32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "core/common/errors.h"
#include "core/common/number_format.h"
#include "support/pointer_input.h"
#include "ui/dib_target_win32.h"
#include "ui/widgets.h"

namespace Ravenquill::Ui {
namespace {

using Interop::ComPtr;
using Interop::GraphicsException;
using Testing::DibTarget;
using Testing::Near;
namespace Graphics = Interop::Graphics;

constexpr std::uint32_t Black = 0xFF000000;
constexpr std::uint32_t White = 0xFFFFFFFF;
constexpr float Unbounded = std::numeric_limits<float>::max();

const TextStyle Body(L"Segoe UI Variable Text", 13.5f, 400, White);

ULONG OtherReferences(IUnknown* object) {
    object->AddRef();
    return object->Release() - 1;
}

// The white pixels (any channel above half) in a region of the DIB.
int LitPixels(const DibTarget& dib, int left, int top, int right, int bottom) {
    int lit = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) lit += (dib.Pixel(x, y) & 0xFF) > 0x80 ? 1 : 0;
    return lit;
}

struct CanvasFixture : ::testing::Test {
    ComPtr<ID2D1Factory> d2d = Graphics::CreateD2DFactory();
    ComPtr<IDWriteFactory> dwrite = Graphics::CreateDWriteFactory();
    DibTarget dib{d2d.Get(), 200, 120};
    D2DCanvas canvas{d2d.Get(), dwrite.Get()};

    CanvasFixture() { canvas.SetTarget(dib.Target()); }
};

struct PixelCase {
    int x, y;
    std::uint32_t expected;
};

void ExpectPixels(const DibTarget& dib, std::initializer_list<PixelCase> cases) {
    for (const PixelCase& c : cases)
        EXPECT_TRUE(Near(dib.Pixel(c.x, c.y), c.expected, 8))
            << "(" << c.x << ", " << c.y << ") is " << std::hex << dib.Pixel(c.x, c.y) << ", not " << c.expected;
}

TEST_F(CanvasFixture, ShapesFillAndStrokeInsideTheirOutline) {
    dib.Draw([&] {
        canvas.FillRect(Rect{0, 100, 20, 120}, 0xFFFFFF00);
        canvas.FillRoundedRect(Rect{10, 10, 50, 40}, 8, 0xFFFF0000);
        canvas.StrokeRoundedRect(Rect{60, 10, 100, 40}, 8, 0xFF00FF00, 4);
        // Wider than twice the radius: the stroke's own radius is 0, not negative. (Wine joins the
        // corner of such a stroke with a bevel, so no pixel is checked at the corner itself.)
        canvas.StrokeRoundedRect(Rect{110, 10, 150, 40}, 1, 0xFF00FF00, 4);
        canvas.FillCircle(30, 70, 10, 0xFF0000FF);
        canvas.StrokeCircle(80, 70, 10, White, 2);
    });
    ExpectPixels(dib, {
                          {10, 110, 0xFFFFFF00},  // plain rectangle
                          {30, 25, 0xFFFF0000},   // rounded fill: inside
                          {10, 10, Black},        // and its rounded corner
                          {80, 11, 0xFF00FF00},   // stroke band along the top edge, inside the rect
                          {80, 13, 0xFF00FF00},
                          {80, 9, Black},  // never outside
                          {80, 16, Black},
                          {61, 25, 0xFF00FF00},
                          {59, 25, Black},
                          {130, 11, 0xFF00FF00},
                          {111, 25, 0xFF00FF00},
                          {109, 25, Black},
                          {30, 62, 0xFF0000FF},  // circle of radius 10
                          {30, 58, Black},
                          {80, 61, White},  // ring between radius 8 and 10
                          {80, 58, Black},
                          {80, 64, Black},
                      });
}

TEST_F(CanvasFixture, EmptyTextDrawsAndMeasuresNothingAndMakesNoLayout) {
    dib.Draw([&] { canvas.DrawText(L"", Rect{0, 0, 200, 120}, Body); });
    EXPECT_EQ(canvas.Measure(L"", Body, Unbounded), (std::pair<float, float>{0, 0}));
    EXPECT_EQ(canvas.TextLayoutCount(), 0u);
    EXPECT_EQ(canvas.TextFormatCount(), 0u);
    EXPECT_EQ(canvas.BrushCount(), 0u);
    EXPECT_EQ(LitPixels(dib, 0, 0, 200, 120), 0);
}

TEST_F(CanvasFixture, DrawTextPutsTheLayoutAtTheRectCorner) {
    dib.Draw([&] { canvas.DrawText(L"Жжж", Rect{100, 60, 200, 120}, Body); });
    EXPECT_EQ(LitPixels(dib, 0, 0, 200, 60), 0);
    EXPECT_EQ(LitPixels(dib, 0, 0, 100, 120), 0);
    EXPECT_GT(LitPixels(dib, 100, 60, 140, 80), 10);
}

// The box around the lit pixels: (left, top, right, bottom), right and bottom exclusive.
std::array<int, 4> LitBox(const DibTarget& dib, int width, int height) {
    std::array<int, 4> box{width, height, 0, 0};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if ((dib.Pixel(x, y) & 0xFF) > 0x80)
                box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x + 1), std::max(box[3], y + 1)};
    return box;
}

TEST_F(CanvasFixture, DrawTextVCenterCentresVerticallyAndFollowsTheAlignment) {
    // The lit box's left edge for Left, its middle for Center, its right edge for Right.
    struct Case {
        TextAlign align;
        double expectedX;
    } cases[] = {{TextAlign::Left, 21}, {TextAlign::Center, 100}, {TextAlign::Right, 179}};
    for (const Case& c : cases) {
        TextStyle style(L"Segoe UI Variable Text", 20, 600, White, false, 0, false, c.align);
        dib.Draw([&] { canvas.DrawTextVCenter(L"ЖЖЖ", Rect{20, 10, 180, 110}, style); });
        const std::array<int, 4> box = LitBox(dib, 200, 120);
        ASSERT_LT(box[0], box[2]) << "nothing drawn";
        const double x = c.align == TextAlign::Left    ? box[0]
                         : c.align == TextAlign::Right ? box[2]
                                                       : (box[0] + box[2]) / 2.0;
        EXPECT_NEAR(x, c.expectedX, 3) << static_cast<int>(c.align);
        // The measured line box is centred, so the glyphs sit around the middle.
        EXPECT_NEAR((box[1] + box[3]) / 2.0, 60, 6) << static_cast<int>(c.align);
    }
}

TEST_F(CanvasFixture, LayoutsAreKeyedByWidthAsPassedButNotByHeight) {
    IDWriteTextLayout* first = canvas.GetTextLayout(L"Далее", Body, 100, 20);
    EXPECT_EQ(canvas.GetTextLayout(L"Далее", Body, 100, 50), first);
    EXPECT_FLOAT_EQ(first->GetMaxHeight(), 20);  // made for the first height
    EXPECT_NE(canvas.GetTextLayout(L"Далее", Body, 120, 20), first);
    TextStyle recoloured = Body;
    recoloured.Color = 0xFF4C8DFF;
    EXPECT_EQ(canvas.GetTextLayout(L"Далее", recoloured, 100, 20), first);
    EXPECT_EQ(canvas.TextLayoutCount(), 2u);
    EXPECT_EQ(canvas.TextFormatCount(), 1u);

    const float infinity = std::numeric_limits<float>::infinity();
    struct Case {
        float passed, made;
    } cases[] = {
        {infinity, 100000},
        {-infinity, 100000},
        {250000, 100000},
        {100000, 100000},
        // A negative or NaN width lays out as an empty one instead of failing the frame.
        {-5, 0},
        {std::numeric_limits<float>::quiet_NaN(), 0},
    };
    for (const Case& c : cases) {
        IDWriteTextLayout* layout = canvas.GetTextLayout(L"Назад", Body, c.passed, -1);
        EXPECT_FLOAT_EQ(layout->GetMaxWidth(), c.made) << c.passed;
        EXPECT_FLOAT_EQ(layout->GetMaxHeight(), 0) << c.passed;
    }
    EXPECT_EQ(canvas.TextLayoutCount(), 2u + std::size(cases));
    EXPECT_FLOAT_EQ(canvas.GetTextLayout(L"Вперёд", Body, 50, std::numeric_limits<float>::quiet_NaN())->GetMaxHeight(),
                    0);
    // Measured layouts are unbounded in height.
    canvas.Measure(L"Отмена", Body, 80);
    EXPECT_FLOAT_EQ(canvas.GetTextLayout(L"Отмена", Body, 80, 10)->GetMaxHeight(), 100000);
}

TEST_F(CanvasFixture, LayoutCacheIsDroppedWholeAbove512) {
    for (int i = 0; i < 513; ++i) canvas.GetTextLayout(std::to_wstring(i), Body, 100, 20);
    EXPECT_EQ(canvas.TextLayoutCount(), 513u);
    IDWriteTextLayout* old = canvas.GetTextLayout(L"0", Body, 100, 20);
    old->AddRef();
    canvas.GetTextLayout(L"514th", Body, 100, 20);
    EXPECT_EQ(canvas.TextLayoutCount(), 1u);
    EXPECT_EQ(old->Release(), 0u);  // the canvas let go of the dropped layouts
}

TEST_F(CanvasFixture, TextFormatsCarryTheStyle) {
    struct Case {
        TextStyle style;
        DWRITE_WORD_WRAPPING wrapping;
        DWRITE_TEXT_ALIGNMENT alignment;
        DWRITE_LINE_SPACING_METHOD spacing;
        DWRITE_TRIMMING_GRANULARITY trimming;
    } cases[] = {
        {Body, DWRITE_WORD_WRAPPING_NO_WRAP, DWRITE_TEXT_ALIGNMENT_LEADING, DWRITE_LINE_SPACING_METHOD_DEFAULT,
         DWRITE_TRIMMING_GRANULARITY_NONE},
        {TextStyle(L"Segoe UI Variable Display", 26, 600, White, true, 20, false, TextAlign::Center),
         DWRITE_WORD_WRAPPING_EMERGENCY_BREAK, DWRITE_TEXT_ALIGNMENT_CENTER, DWRITE_LINE_SPACING_METHOD_UNIFORM,
         DWRITE_TRIMMING_GRANULARITY_NONE},
        {TextStyle(L"Cascadia Mono", 13, 400, White, false, 0, true, TextAlign::Right), DWRITE_WORD_WRAPPING_NO_WRAP,
         DWRITE_TEXT_ALIGNMENT_TRAILING, DWRITE_LINE_SPACING_METHOD_DEFAULT, DWRITE_TRIMMING_GRANULARITY_CHARACTER},
    };
    for (const Case& c : cases) {
        // The format the layout was made from, as the layout reports it.
        IDWriteTextFormat* layout = canvas.GetTextLayout(L"x", c.style, 100, 20);
        wchar_t text[64] = {};
        ASSERT_EQ(layout->GetFontFamilyName(text, 64), S_OK);
        EXPECT_EQ(std::wstring(text), c.style.Family);
        ASSERT_EQ(layout->GetLocaleName(text, 64), S_OK);
        EXPECT_STREQ(text, L"ru-ru");
        EXPECT_FLOAT_EQ(layout->GetFontSize(), c.style.Size);
        EXPECT_EQ(layout->GetFontWeight(), static_cast<DWRITE_FONT_WEIGHT>(c.style.Weight));
        EXPECT_EQ(layout->GetFontStyle(), DWRITE_FONT_STYLE_NORMAL);
        EXPECT_EQ(layout->GetWordWrapping(), c.wrapping);
        EXPECT_EQ(layout->GetTextAlignment(), c.alignment);
        EXPECT_EQ(layout->GetParagraphAlignment(), DWRITE_PARAGRAPH_ALIGNMENT_NEAR);
        DWRITE_LINE_SPACING_METHOD method{};
        float spacing = 0, baseline = 0;
        ASSERT_EQ(layout->GetLineSpacing(&method, &spacing, &baseline), S_OK);
        EXPECT_EQ(method, c.spacing);
        if (method == DWRITE_LINE_SPACING_METHOD_UNIFORM) {
            EXPECT_FLOAT_EQ(spacing, 20);
            EXPECT_FLOAT_EQ(baseline, 16);
        }
        DWRITE_TRIMMING trimming{};
        ComPtr<IDWriteInlineObject> sign;
        ASSERT_EQ(layout->GetTrimming(&trimming, sign.GetAddressOf()), S_OK);
        EXPECT_EQ(trimming.granularity, c.trimming);
        EXPECT_EQ(sign.Get() != nullptr, c.style.Ellipsis);
    }
}

TEST_F(CanvasFixture, UniformLineHeightGivesEveryLineTwentyPixels) {
    const TextStyle wrapped(L"Segoe UI Variable Text", 13.5f, 400, White, true, 20);
    const auto [width, height] =
        canvas.Measure(L"Установка программы на этот компьютер займёт несколько минут", wrapped, 120);
    EXPECT_LE(width, 120.5f);
    IDWriteTextLayout* layout =
        canvas.GetTextLayout(L"Установка программы на этот компьютер займёт несколько минут", wrapped, 120, 10);
    DWRITE_LINE_METRICS lines[16];
    UINT32 count = 0;
    ASSERT_EQ(layout->GetLineMetrics(lines, 16, &count), S_OK);
    ASSERT_GE(count, 3u);
    for (UINT32 i = 0; i < count; ++i) {
        EXPECT_FLOAT_EQ(lines[i].height, 20) << i;
        EXPECT_FLOAT_EQ(lines[i].baseline, 16) << i;
    }
    EXPECT_FLOAT_EQ(height, 20.0f * static_cast<float>(count));
}

TEST_F(CanvasFixture, EllipsisKeepsTheStartOfTheTextWithinTheWidth) {
    const std::wstring text = L"C:\\Program Files\\Ravenquill\\очень длинное имя файла.dll";
    const TextStyle plain(L"Cascadia Mono", 13, 400, White);
    TextStyle trimmed = plain;
    trimmed.Ellipsis = true;
    const float natural = canvas.Measure(text, plain, Unbounded).first;
    ASSERT_GT(natural, 200);
    dib.Draw([&] { canvas.DrawText(text, Rect{0, 0, 100, 20}, trimmed); });
    EXPECT_GT(LitPixels(dib, 0, 0, 30, 20), 10);   // the start of the text
    EXPECT_GT(LitPixels(dib, 80, 0, 100, 20), 2);  // the sign at the end
    EXPECT_EQ(LitPixels(dib, 102, 0, 200, 20), 0);
    const DWRITE_TEXT_METRICS metrics = Graphics::GetMetrics(canvas.GetTextLayout(text, trimmed, 100, 20));
    EXPECT_LE(metrics.width, 100);
}

TEST_F(CanvasFixture, MeasureGivesTheWidthWithTrailingSpaceAndTheHeightOfAllLines) {
    const auto one = canvas.Measure(L"Далее", Body, Unbounded);
    const auto spaced = canvas.Measure(L"Далее   ", Body, Unbounded);
    EXPECT_GT(one.first, 20);
    EXPECT_GT(spaced.first, one.first + 5);
    EXPECT_FLOAT_EQ(spaced.second, one.second);
    TextStyle wrapped = Body;
    wrapped.Wrap = true;
    const auto two = canvas.Measure(L"Далее Далее", wrapped, one.first + 2);
    EXPECT_FLOAT_EQ(two.second, 2 * one.second);
}

TEST_F(CanvasFixture, BrushesBelongToTheTargetAndGoWithIt) {
    ID2D1SolidColorBrush* brush = canvas.GetBrush(0xFF4C8DFF);
    EXPECT_EQ(canvas.GetBrush(0xFF4C8DFF), brush);
    const D2D1_COLOR_F color = brush->GetColor();
    EXPECT_NEAR(color.r, 0.298039f, 1e-6);
    EXPECT_NEAR(color.a, 1.0f, 1e-6);
    brush->AddRef();
    DibTarget other(d2d.Get(), 10, 10);
    canvas.SetTarget(other.Target());
    EXPECT_EQ(canvas.BrushCount(), 0u);
    EXPECT_EQ(brush->Release(), 0u);
    ID2D1SolidColorBrush* fresh = canvas.GetBrush(0xFF4C8DFF);
    ComPtr<ID2D1Factory> owner;
    fresh->GetFactory(owner.GetAddressOf());
    EXPECT_EQ(owner.Get(), d2d.Get());
    EXPECT_EQ(canvas.BrushCount(), 1u);
    other.Draw([&] { canvas.FillRect(Rect{0, 0, 10, 10}, 0xFF4C8DFF); });
    EXPECT_TRUE(Near(other.Pixel(5, 5), 0xFF4C8DFF, 1));
    canvas.SetTarget(dib.Target());
}

TEST_F(CanvasFixture, PathsAreFittedCentredAndStrokedWithTheGivenWidth) {
    // A horizontal line 10 wide: its width decides the scale, and it lies on the rectangle's middle.
    dib.Draw([&] {
        canvas.DrawPath(L"M 0,0 L 11,0", Rect{20, 40, 120, 60}, White, 2);
        canvas.DrawPath(L"M 0,0 L 11,0", Rect{20, 80, 120, 100}, White, 2);
    });
    ExpectPixels(dib, {{70, 49, White}, {70, 50, White}, {70, 46, Black}, {70, 53, Black}, {30, 89, White}});
    EXPECT_EQ(canvas.GeometryCount(), 1u);
    // The transform is back to identity afterwards.
    D2D1_MATRIX_3X2_F transform{};
    dib.Target()->GetTransform(&transform);
    EXPECT_EQ(transform._11, 1.0f);
    EXPECT_EQ(transform._31, 0.0f);
    EXPECT_EQ(transform._32, 0.0f);
}

TEST_F(CanvasFixture, CheckMarkAndOddPaths) {
    dib.Draw([&] {
        canvas.DrawPath(L"M 0,5 L 4.2,9.2 L 12,1", Rect{10, 10, 50, 50}, White, 3);
        // Nothing to fit: a single point, an empty rectangle, no points at all.
        canvas.DrawPath(L"M 5,5", Rect{100, 0, 200, 120}, White, 3);
        canvas.DrawPath(L"M 0,0 L 10,10", Rect{150, 60, 150, 100}, White, 3);
        canvas.DrawPath(L"", Rect{100, 0, 200, 120}, White, 3);
        // A number too long for a float reads as infinity: nothing fits, nothing is drawn.
        canvas.DrawPath(L"M 0,0 L 1" + std::wstring(45, L'0') + L",10", Rect{100, 0, 200, 120}, White, 3);
        // A line before the first move is skipped, the rest is drawn.
        canvas.DrawPath(L"L 0,0 M 0,0 L 10,10", Rect{60, 10, 90, 40}, White, 3);
    });
    EXPECT_GT(LitPixels(dib, 10, 10, 50, 50), 40);
    EXPECT_EQ(LitPixels(dib, 100, 0, 200, 120), 0);
    EXPECT_GT(LitPixels(dib, 60, 10, 90, 40), 40);
    dib.Draw([&] { EXPECT_THROW(canvas.DrawPath(L"M 1.2.3,4", Rect{0, 0, 10, 10}, White, 1), FormatException); });
}

// A layout squeezed to nothing or swapped edges must never fail the frame: every operation and
// widget with such rectangles draws what it can and the frame ends with success.
TEST_F(CanvasFixture, EmptySwappedAndNaNRectanglesNeverFailTheFrame) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const Rect rects[] = {
        {0, 0, 0, 0}, {60, 50, 10, 10}, {nan, nan, nan, nan}, {10, 10, nan, 40}, {-inf, -inf, inf, inf}, {0, 0, -5, -5},
    };
    const float radii[] = {0, -3, nan, 1e30f};
    const std::vector<std::uint8_t> pixels(4 * 2 * 2, 0xFF);
    const Theme theme = Theme::Dark();
    Input input = Testing::ClickAt(20, 20);
    for (const Rect& r : rects) {
        for (const float radius : radii) {
            SCOPED_TRACE(::testing::Message()
                         << r.Left << "," << r.Top << "," << r.Right << "," << r.Bottom << " r " << radius);
            EXPECT_NO_THROW(dib.Draw([&] {
                canvas.FillRect(r, White);
                canvas.FillRoundedRect(r, radius, White);
                canvas.StrokeRoundedRect(r, radius, White, 4);
                canvas.FillCircle(r.Left, r.Top, radius, White);
                canvas.StrokeCircle(r.Left, r.Top, radius, White, 3);
                canvas.StrokeCircle(r.Left, r.Top, radius, White, nan);
                canvas.DrawPath(L"M 0,0 L 10,10 M 10,0 L 0,10", r, White, radius);
                canvas.DrawText(L"Далее", r, Body);
                canvas.DrawTextVCenter(L"Далее", r, Body);
                canvas.Measure(L"Далее", Body, r.Right);
                canvas.PushRoundedClip(r, radius);
                canvas.PopLayer();
                canvas.PushAxisAlignedClip(r);
                canvas.PopAxisAlignedClip();
                canvas.DrawBitmap(*canvas.CreateBitmap(2, 2, pixels), r);
                Widgets widgets{theme, canvas, input};
                widgets.PrimaryButton(r, L"Установить", true);
                widgets.SecondaryButton(r, L"Отмена", true);
                widgets.TextButton(r, L"Сайт");
                canvas.Checkbox(input, theme, r, L"Ярлык", true, true);
                canvas.RadioCard(input, theme, r, L"Для всех", L"Нужны права администратора", true);
                canvas.ComponentRow(input, theme, r, L"Ядро", L"Обязательные файлы", L"12 МБ", true, false);
                canvas.ComponentRowHeight(theme, L"Обязательные файлы", r.Right - r.Left - 165);
            }));
        }
    }
}

TEST_F(CanvasFixture, RoundedClipsAreKeyedByTheirNumbersInAnyNumberFormat) {
    // In a culture with a decimal comma both clips would read "rr:1,5,2,3,4,5".
    ScopedNumberFormat comma(NumberFormat{L",", L"-"});
    dib.Draw([&] {
        canvas.PushRoundedClip(Rect{1.5f, 2, 3, 4}, 5);
        canvas.PopLayer();
        canvas.PushRoundedClip(Rect{1, 5, 2, 3}, 4.5f);
        canvas.PopLayer();
        canvas.PushRoundedClip(Rect{1.5f, 2, 3, 4}, 5);
        canvas.PopLayer();
    });
    EXPECT_EQ(canvas.GeometryCount(), 2u);
}

TEST_F(CanvasFixture, AxisAlignedClipCutsDrawing) {
    dib.Draw([&] {
        canvas.PushAxisAlignedClip(Rect{0, 0, 100, 120});
        canvas.FillRect(Rect{50, 10, 150, 20}, White);
        canvas.PopAxisAlignedClip();
        canvas.FillRect(Rect{50, 30, 150, 40}, White);
    });
    ExpectPixels(dib, {{99, 15, White}, {101, 15, Black}, {120, 35, White}});
}

TEST_F(CanvasFixture, BitmapsAreDrawnStretchedIntoTheDestination) {
    const std::vector<std::uint8_t> red(4 * 4 * 4, 0);
    std::vector<std::uint8_t> pixels = red;
    for (std::size_t i = 0; i < pixels.size(); i += 4) pixels[i + 2] = pixels[i + 3] = 255;
    dib.Draw([&] {
        const std::shared_ptr<CanvasBitmap> bitmap = canvas.CreateBitmap(4, 4, pixels);
        EXPECT_EQ(bitmap->PixelWidth(), 4u);
        EXPECT_EQ(bitmap->PixelHeight(), 4u);
        canvas.DrawBitmap(*bitmap, Rect{10, 10, 50, 50});
    });
    ExpectPixels(dib, {{30, 30, 0xFFFF0000}, {8, 30, Black}, {52, 30, Black}});
}

TEST_F(CanvasFixture, ASteadyFrameMakesNothingNew) {
    const auto frame = [&] {
        canvas.FillRoundedRect(Rect{10, 10, 190, 110}, 10, 0xFF202020);
        canvas.PushRoundedClip(Rect{10, 10, 190, 110}, 10);
        canvas.DrawText(L"Установка", Rect{20, 20, 180, 40}, TextStyle(L"Segoe UI Variable Display", 19, 600, White));
        canvas.DrawTextVCenter(L"Далее", Rect{100, 80, 180, 100}, Body);
        canvas.DrawPath(L"M 0,5 L 4.2,9.2 L 12,1", Rect{20, 80, 30, 88}, 0xFF4C8DFF, 1.8f);
        canvas.StrokeCircle(50, 84, 8, 0xFF4C8DFF, 1);
        canvas.PopLayer();
    };
    dib.Draw(frame);
    const std::size_t counts[] = {canvas.BrushCount(), canvas.TextFormatCount(), canvas.TextLayoutCount(),
                                  canvas.GeometryCount()};
    ID2D1SolidColorBrush* brush = canvas.GetBrush(White);
    IDWriteTextLayout* layout = canvas.GetTextLayout(L"Далее", Body, 80, 20);
    for (int i = 0; i < 3; ++i) dib.Draw(frame);
    const std::size_t after[] = {canvas.BrushCount(), canvas.TextFormatCount(), canvas.TextLayoutCount(),
                                 canvas.GeometryCount()};
    EXPECT_TRUE(std::equal(std::begin(counts), std::end(counts), std::begin(after)));
    EXPECT_EQ(canvas.GetBrush(White), brush);
    EXPECT_EQ(canvas.GetTextLayout(L"Далее", Body, 80, 20), layout);
}

TEST_F(CanvasFixture, FailuresRaiseTheGraphicsErrorAndCacheNothing) {
    const TextStyle negative(L"Segoe UI Variable Text", -3, 400, White);
    try {
        canvas.Measure(L"x", negative, 100);
        FAIL() << "a negative font size made a format";
    } catch (const GraphicsException& e) {
        EXPECT_EQ(e.Message().substr(0, 33), L"Ошибка графической подсистемы: 0x");
        EXPECT_EQ(e.Message().size(), 33u + 8u);
    }
    EXPECT_EQ(canvas.TextFormatCount(), 0u);
    EXPECT_EQ(canvas.TextLayoutCount(), 0u);
    D2DCanvas unbound(d2d.Get(), dwrite.Get());
    EXPECT_THROW(unbound.FillRect(Rect{0, 0, 1, 1}, White), InvalidOperationException);
}

TEST_F(CanvasFixture, DisposeReleasesEveryCachedObject) {
    dib.Draw([&] {
        canvas.DrawText(L"Готово", Rect{0, 0, 100, 20}, Body);
        canvas.DrawPath(L"M 0,5 L 4.2,9.2 L 12,1", Rect{10, 10, 50, 50}, White, 3);
        canvas.PushRoundedClip(Rect{0, 0, 10, 10}, 2);
        canvas.PopLayer();
    });
    std::vector<IUnknown*> held = {canvas.GetBrush(White), canvas.GetTextLayout(L"Готово", Body, 100, 20),
                                   canvas.GetPathGeometry(L"M 0,5 L 4.2,9.2 L 12,1").first};
    for (IUnknown* object : held) {
        EXPECT_EQ(OtherReferences(object), 0u);
        object->AddRef();
    }
    canvas.Dispose();
    EXPECT_EQ(canvas.BrushCount() + canvas.TextFormatCount() + canvas.TextLayoutCount() + canvas.GeometryCount(), 0u);
    for (IUnknown* object : held) EXPECT_EQ(object->Release(), 0u);
    // Still bound: the next frame makes what it needs again.
    dib.Draw([&] { canvas.FillRect(Rect{0, 0, 10, 10}, White); });
    EXPECT_EQ(dib.Pixel(5, 5), White);
}

}  // namespace
}  // namespace Ravenquill::Ui
