// Text in the wizard's families and in one no system has: each is drawn in a family that exists,
// so it measures and lights pixels. Run in the usual prefix and in one without font replacements.
#include <gtest/gtest.h>

#include <string>

#include "ui/canvas_win32.h"
#include "ui/dib_target_win32.h"

namespace Ravenquill::Ui {
namespace {

namespace Graphics = Interop::Graphics;

TEST(FontFallback, EveryFamilyMeasuresAndDrawsText) {
    auto d2d = Graphics::CreateD2DFactory();
    auto dwrite = Graphics::CreateDWriteFactory();
    Testing::DibTarget dib(d2d.Get(), 240, 40);
    D2DCanvas canvas(d2d.Get(), dwrite.Get());
    canvas.SetTarget(dib.Target());
    for (const wchar_t* family :
         {L"Segoe UI Variable Text", L"Segoe UI Variable Display", L"Cascadia Mono", L"No Such Family Anywhere"}) {
        const TextStyle style(family, 16, 600, 0xFFFFFFFF);
        const auto [width, height] = canvas.Measure(L"Установка", style, 1000);
        EXPECT_GT(width, 40) << std::wstring(family);
        EXPECT_GT(height, 10);
        dib.Draw([&] { canvas.DrawText(L"Установка", Rect{4, 4, 236, 36}, style); });
        int lit = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 240; ++x) lit += (dib.Pixel(x, y) & 0xFF) > 0x80 ? 1 : 0;
        EXPECT_GT(lit, 40);
        // The format is made once for the style, in the family chosen once.
        EXPECT_EQ(canvas.TextFormatCount(), 1u);
        canvas.Dispose();
        canvas.SetTarget(dib.Target());
    }
}

}  // namespace
}  // namespace Ravenquill::Ui
