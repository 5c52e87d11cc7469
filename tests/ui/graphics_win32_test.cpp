#include "ui/graphics_win32.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ui/dib_target_win32.h"

namespace Ravenquill::Interop {
namespace {

using Testing::DibTarget;

struct GraphicsFixture : ::testing::Test {
    ComPtr<ID2D1Factory> d2d = Graphics::CreateD2DFactory();
    ComPtr<IDWriteFactory> dwrite = Graphics::CreateDWriteFactory();
};

TEST(ColorFTest, DividesEachByteBy255) {
    struct Case {
        std::uint32_t argb;
        float r, g, b, a;
    } cases[] = {
        {0xFF4C8DFF, 0.298039f, 0.552941f, 1.0f, 1.0f},
        {0x26000000, 0.0f, 0.0f, 0.0f, 0.149020f},
        {0x00000000, 0.0f, 0.0f, 0.0f, 0.0f},
        {0x80FF0001, 1.0f, 0.0f, 1.0f / 255.0f, 128.0f / 255.0f},
    };
    for (const Case& c : cases) {
        const ColorF color(c.argb);
        EXPECT_NEAR(color.R, c.r, 1e-6) << std::hex << c.argb;
        EXPECT_NEAR(color.G, c.g, 1e-6) << std::hex << c.argb;
        EXPECT_NEAR(color.B, c.b, 1e-6) << std::hex << c.argb;
        EXPECT_NEAR(color.A, c.a, 1e-6) << std::hex << c.argb;
    }
}

TEST(Matrix3x2FTest, IdentityIsOneZeroZeroOneZeroZero) {
    const D2D1_MATRIX_3X2_F m = Matrix3x2F::Identity().ToD2D();
    EXPECT_EQ(m._11, 1.0f);
    EXPECT_EQ(m._12, 0.0f);
    EXPECT_EQ(m._21, 0.0f);
    EXPECT_EQ(m._22, 1.0f);
    EXPECT_EQ(m._31, 0.0f);
    EXPECT_EQ(m._32, 0.0f);
}

TEST(ThrowIfFailedTest, SuccessCodesPassAndFailuresNameTheStatus) {
    EXPECT_NO_THROW(Graphics::ThrowIfFailed(0));
    EXPECT_NO_THROW(Graphics::ThrowIfFailed(1));
    EXPECT_NO_THROW(Graphics::ThrowIfFailed(INT_MAX));
    struct Case {
        HRESULT hr;
        const wchar_t* message;
    } cases[] = {
        {static_cast<HRESULT>(0x887A0004), L"Ошибка графической подсистемы: 0x887A0004"},
        {static_cast<HRESULT>(0x80070057), L"Ошибка графической подсистемы: 0x80070057"},
        {static_cast<HRESULT>(0x88990001), L"Ошибка графической подсистемы: 0x88990001"},
        {INT_MIN, L"Ошибка графической подсистемы: 0x80000000"},
        {-1, L"Ошибка графической подсистемы: 0xFFFFFFFF"},
    };
    for (const Case& c : cases) {
        try {
            Graphics::ThrowIfFailed(c.hr);
            ADD_FAILURE() << "no error for " << std::hex << c.hr;
        } catch (const InvalidOperationException& e) {
            EXPECT_EQ(e.Message(), c.message);
            EXPECT_EQ(dynamic_cast<const GraphicsException&>(e).HResult(), c.hr);
        }
    }
}

TEST_F(GraphicsFixture, FactoriesAreMadeAgainAndAgainFromTheLoadedSystemLibraries) {
    ASSERT_NE(d2d.Get(), nullptr);
    ASSERT_NE(dwrite.Get(), nullptr);
    EXPECT_NE(Graphics::CreateD2DFactory().Get(), nullptr);
    EXPECT_NE(Graphics::CreateDWriteFactory().Get(), nullptr);
    // Loaded by full system path, never by a static import that would search beside the program.
    HMODULE d2dModule = GetModuleHandleW(L"d2d1.dll");
    ASSERT_NE(d2dModule, nullptr);
    wchar_t path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(d2dModule, path, MAX_PATH), 0u);
    wchar_t system[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
    EXPECT_EQ(_wcsnicmp(path, system, wcslen(system)), 0);
}

// Methods that return structures go through the explicit aggregate-return ABI; a wrong ABI gives
// garbage or a crash here.
TEST_F(GraphicsFixture, StructureReturningMethodsGiveTheRightValues) {
    DibTarget dib(d2d.Get(), 100, 50);
    ID2D1DCRenderTarget* target = dib.Target();
    dib.Draw([&] {
        const D2D1_SIZE_U pixels = target->GetPixelSize();
        EXPECT_EQ(pixels.width, 100u);
        EXPECT_EQ(pixels.height, 50u);
        Graphics::SetDpi(target, 192);
        const D2D1_SIZE_F size = target->GetSize();
        EXPECT_FLOAT_EQ(size.width, 50);
        EXPECT_FLOAT_EQ(size.height, 25);
        Graphics::SetDpi(target, 96);
        const D2D1_PIXEL_FORMAT format = target->GetPixelFormat();
        EXPECT_EQ(format.format, DXGI_FORMAT_B8G8R8A8_UNORM);
        EXPECT_EQ(format.alphaMode, D2D1_ALPHA_MODE_PREMULTIPLIED);

        ComPtr<ID2D1SolidColorBrush> brush = Graphics::CreateSolidColorBrush(target, ColorF(0xFF4C8DFF));
        const D2D1_COLOR_F color = brush->GetColor();
        EXPECT_NEAR(color.r, 0.298039f, 1e-6);
        EXPECT_NEAR(color.g, 0.552941f, 1e-6);
        EXPECT_NEAR(color.b, 1.0f, 1e-6);
        EXPECT_NEAR(color.a, 1.0f, 1e-6);

        ComPtr<ID2D1Bitmap> bitmap = Graphics::CreateBitmap(target, 7, 3, {});
        const D2D1_SIZE_U bitmapPixels = bitmap->GetPixelSize();
        EXPECT_EQ(bitmapPixels.width, 7u);
        EXPECT_EQ(bitmapPixels.height, 3u);
        const D2D1_SIZE_F bitmapSize = bitmap->GetSize();
        EXPECT_FLOAT_EQ(bitmapSize.width, 7);
        EXPECT_FLOAT_EQ(bitmapSize.height, 3);
    });
}

// The references an object holds besides the caller's own.
ULONG OtherReferences(IUnknown* object) {
    object->AddRef();
    return object->Release() - 1;
}

// Every wrapper hands back the object it made with exactly the one reference the platform gave it:
// never null, never leaked with an extra reference.
TEST_F(GraphicsFixture, WrappersReturnTheObjectWithItsOneReference) {
    DibTarget dib(d2d.Get(), 8, 8);
    ComPtr<IDWriteTextFormat> format = Graphics::CreateTextFormat(dwrite.Get(), L"Segoe UI Variable Text", 13.5f,
                                                                  DWRITE_FONT_WEIGHT_NORMAL, DWRITE_FONT_STYLE_NORMAL);
    ID2D1RenderTarget* target = dib.Target();
    const std::function<ComPtr<IUnknown>()> wrappers[] = {
        [&] {
            return Graphics::CreateRoundedRectangleGeometry(d2d.Get(), D2D1_ROUNDED_RECT{{0, 0, 10, 10}, 2, 2});
        },
        [&] { return Graphics::CreatePathGeometry(d2d.Get()); },
        [&] { return Graphics::CreateStrokeStyle(d2d.Get()); },
        [&] { return Graphics::CreateSolidColorBrush(target, ColorF(0xFF000000)); },
        [&] { return Graphics::CreateBitmap(target, 2, 2, {}); },
        [&] {
            return Graphics::CreateTextFormat(dwrite.Get(), L"Cascadia Mono", 13, DWRITE_FONT_WEIGHT_SEMI_BOLD,
                                              DWRITE_FONT_STYLE_NORMAL);
        },
        [&] { return Graphics::CreateTextLayout(dwrite.Get(), L"Текст", format.Get(), 100, 20); },
    };
    for (std::size_t i = 0; i < std::size(wrappers); ++i) {
        const ComPtr<IUnknown> object = wrappers[i]();
        ASSERT_NE(object.Get(), nullptr) << "wrapper " << i;
        EXPECT_EQ(OtherReferences(object.Get()), 0u) << "wrapper " << i;
    }
}

TEST_F(GraphicsFixture, TopDownDibKeepsTheTopRowFirstInMemory) {
    DibTarget dib(d2d.Get(), 20, 20);
    dib.Draw([&] {
        ComPtr<ID2D1SolidColorBrush> red = Graphics::CreateSolidColorBrush(dib.Target(), ColorF(0xFFFF0000));
        Graphics::FillRectangle(dib.Target(), D2D1_RECT_F{0, 0, 20, 2}, red.Get());
    });
    EXPECT_EQ(dib.Pixel(10, 0), 0xFFFF0000u);
    EXPECT_EQ(dib.Pixel(10, 1), 0xFFFF0000u);
    EXPECT_EQ(dib.Pixel(10, 19), 0xFF000000u);
}

TEST_F(GraphicsFixture, BitmapRowsStartAtWidthTimesFourBytes) {
    // 3 x 2 pixels: row 0 red, green, blue; row 1 white, black, half-transparent grey.
    const std::vector<std::uint8_t> pixels = {
        0,   0,   255, 255, 0, 255, 0, 255, 255, 0,  0,  255,  //
        255, 255, 255, 255, 0, 0,   0, 255, 64,  64, 64, 128,
    };
    DibTarget dib(d2d.Get(), 3, 2);
    dib.Draw(
        [&] {
            ComPtr<ID2D1Bitmap> bitmap = Graphics::CreateBitmap(dib.Target(), 3, 2, pixels);
            const D2D1_RECT_F whole{0, 0, 3, 2};
            dib.Target()->DrawBitmap(bitmap.Get(), &whole, 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR,
                                     nullptr);
        },
        0x00000000);
    EXPECT_EQ(dib.Pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(dib.Pixel(1, 0), 0xFF00FF00u);
    EXPECT_EQ(dib.Pixel(2, 0), 0xFF0000FFu);
    EXPECT_EQ(dib.Pixel(0, 1), 0xFFFFFFFFu);
    EXPECT_EQ(dib.Pixel(1, 1), 0xFF000000u);
    EXPECT_TRUE(Testing::Near(dib.Pixel(2, 1), 0x80404040u, 2)) << std::hex << dib.Pixel(2, 1);
}

TEST_F(GraphicsFixture, BitmapRefusesPixelsShorterThanItsSize) {
    DibTarget dib(d2d.Get(), 4, 4);
    const std::vector<std::uint8_t> pixels(4 * 4 * 4 - 1);
    dib.Draw([&] { EXPECT_THROW(Graphics::CreateBitmap(dib.Target(), 4, 4, pixels), ArgumentException); });
}

TEST_F(GraphicsFixture, EmptyTextStillGivesALayout) {
    ComPtr<IDWriteTextFormat> format = Graphics::CreateTextFormat(dwrite.Get(), L"Segoe UI Variable Text", 13.5f,
                                                                  DWRITE_FONT_WEIGHT_NORMAL, DWRITE_FONT_STYLE_NORMAL);
    wchar_t locale[16] = {};
    ASSERT_EQ(format->GetLocaleName(locale, 16), S_OK);
    EXPECT_STREQ(locale, L"ru-ru");
    ComPtr<IDWriteTextLayout> layout = Graphics::CreateTextLayout(dwrite.Get(), L"", format.Get(), 100, 50);
    ASSERT_NE(layout.Get(), nullptr);
    const DWRITE_TEXT_METRICS metrics = Graphics::GetMetrics(layout.Get());
    EXPECT_EQ(metrics.width, 0.0f);
    EXPECT_FLOAT_EQ(metrics.layoutWidth, 100);
    EXPECT_FLOAT_EQ(metrics.layoutHeight, 50);
}

// Why the canvas lays such extents out as 0: the platform refuses them. (Windows refuses a NaN
// extent too; Wine lets it through, so it is not asserted here.)
TEST_F(GraphicsFixture, NegativeLayoutExtentIsAGraphicsError) {
    ComPtr<IDWriteTextFormat> format = Graphics::CreateTextFormat(dwrite.Get(), L"Segoe UI Variable Text", 13.5f,
                                                                  DWRITE_FONT_WEIGHT_NORMAL, DWRITE_FONT_STYLE_NORMAL);
    const std::pair<float, float> refused[] = {{-1, 50}, {50, -1}};
    for (const auto& [width, height] : refused)
        EXPECT_THROW(Graphics::CreateTextLayout(dwrite.Get(), L"x", format.Get(), width, height), GraphicsException)
            << width << " x " << height;
}

TEST_F(GraphicsFixture, TextOverflowingItsLayoutBoxIsDrawnUnclipped) {
    ComPtr<IDWriteTextFormat> format = Graphics::CreateTextFormat(dwrite.Get(), L"Segoe UI Variable Text", 20,
                                                                  DWRITE_FONT_WEIGHT_NORMAL, DWRITE_FONT_STYLE_NORMAL);
    Graphics::ThrowIfFailed(format->SetWordWrapping(DWRITE_WORD_WRAPPING_NO_WRAP));
    ComPtr<IDWriteTextLayout> layout = Graphics::CreateTextLayout(dwrite.Get(), L"ЖЖЖЖЖЖЖЖЖЖ", format.Get(), 10, 30);
    DibTarget dib(d2d.Get(), 200, 40);
    dib.Draw([&] {
        ComPtr<ID2D1SolidColorBrush> white = Graphics::CreateSolidColorBrush(dib.Target(), ColorF(0xFFFFFFFF));
        Graphics::DrawTextLayout(dib.Target(), D2D1_POINT_2F{0, 0}, layout.Get(), white.Get());
    });
    int litBeyondBox = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 20; x < 200; ++x) litBeyondBox += (dib.Pixel(x, y) & 0xFF) > 0x80 ? 1 : 0;
    EXPECT_GT(litBeyondBox, 20);
}

TEST_F(GraphicsFixture, LineBeforeTheFirstFigureFailsAtClose) {
    // The platform's own behaviour, which the path builder must steer clear of.
    ComPtr<ID2D1PathGeometry> geometry = Graphics::CreatePathGeometry(d2d.Get());
    ComPtr<ID2D1GeometrySink> sink = Graphics::Open(geometry.Get());
    sink->AddLine(D2D1_POINT_2F{1, 1});
    EXPECT_THROW(Graphics::Close(sink.Get()), GraphicsException);
}

}  // namespace
}  // namespace Ravenquill::Interop
