// A whole frame drawn into the window's surface: the palette's colours where no text is.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "shell/frame.h"
#include "shell/surface_win32.h"
#include "ui/dib_target_win32.h"

namespace Ravenquill::Shell {
namespace {

namespace Graphics = Interop::Graphics;
using Testing::Near;

// A straight-alpha colour over another, as an opaque pixel.
std::uint32_t Over(std::uint32_t top, std::uint32_t bottom) {
    const std::uint32_t a = top >> 24;
    std::uint32_t result = 0xFF000000;
    for (int shift = 0; shift < 24; shift += 8) {
        const std::uint32_t t = (top >> shift) & 0xFF;
        const std::uint32_t b = (bottom >> shift) & 0xFF;
        result |= ((t * a + b * (255 - a) + 127) / 255) << shift;
    }
    return result;
}

struct FramePixels : ::testing::TestWithParam<bool> {
    Interop::ComPtr<ID2D1Factory> d2d = Graphics::CreateD2DFactory();
    Interop::ComPtr<IDWriteFactory> dwrite = Graphics::CreateDWriteFactory();
    Surface surface{d2d.Get(), dwrite.Get(), 940, 580, 1};
    Ui::Theme theme = GetParam() ? Ui::Theme::Light() : Ui::Theme::Dark();
    Chrome chrome{theme};
    ShellState state;
    Ui::Input input;

    FramePixels() {
        state.ProductName = L"Quill";
        state.Version = L"1.0";
        state.Publisher = L"Raven";
        state.Monogram = L"Q";
        state.SetSteps({{1, L"Начало"}, {2, L"Параметры"}, {3, L"Установка"}, {4, L"Готово"}});
        state.SetCurrentStep(2);
    }
    void Draw(std::shared_ptr<const Dialog> dialog = nullptr) {
        surface.BeginDraw();
        DrawFrame(surface.Canvas(), chrome, state, nullptr, std::move(dialog), input);
        surface.EndDraw();
    }
    void Expect(int x, int y, std::uint32_t expected, const char* what, int tolerance = 3) {
        const std::uint32_t actual = surface.Pixel(x, y);
        EXPECT_TRUE(Near(actual, expected, tolerance))
            << what << " at (" << x << ", " << y << ") is " << std::hex << actual << ", not " << expected;
    }
};

TEST_P(FramePixels, CardSidebarStepsAndShadowInThePalettesColours) {
    Draw();
    Expect(600, 300, theme.Background, "content area");
    Expect(150, 420, theme.Sidebar, "sidebar below the steps");
    Expect(287, 300, theme.Border, "sidebar border");
    Expect(150, 118, theme.Border, "header separator");
    Expect(56, 74, theme.Accent, "monogram tile, left of the letter");
    Expect(64, 187, theme.Accent, "active step's disc, above its number");
    Expect(64, 143, theme.Accent, "completed step's ring, top", 60);
    Expect(64, 227, theme.StrongBorder, "pending step's ring, top", 60);
    Expect(64, 150, theme.Sidebar, "inside the completed ring, above the mark");
    Expect(24, 300, theme.Border, "card outline, left", 40);
    // Outside the card only the shadow: black, premultiplied, stronger below than above.
    const std::uint32_t corner = surface.Pixel(2, 2);
    EXPECT_EQ(corner, 0u);
    const std::uint32_t below = surface.Pixel(470, 562);
    const std::uint32_t above = surface.Pixel(470, 18);
    EXPECT_EQ(below & 0x00FFFFFF, 0u);
    EXPECT_GT(below >> 24, above >> 24);
}

TEST_P(FramePixels, HoveredCaptionButtonsFill) {
    state.CaptionHover = 1;
    Draw();
    Expect(830, 30, theme.Hover, "minimise button");
    Expect(876, 30, theme.Background, "close button, idle");
    state.CaptionHover = 2;
    Draw();
    Expect(876, 30, 0xFFC42B1C, "close button");
    Expect(830, 30, theme.Background, "minimise button, idle");
}

TEST_P(FramePixels, ADialogDimsTheCardUnderItsBox) {
    auto dialog = std::make_shared<Dialog>(L"Заголовок", L"Сообщение", L"Да", L"Нет");
    Draw(dialog);
    Expect(800, 120, Over(theme.Scrim, theme.Background), "scrim over the content");
    Expect(150, 420, Over(theme.Scrim, theme.Sidebar), "scrim over the sidebar");
    Expect(470, 270, theme.Background, "dialog box, between title and buttons", 3);
}

INSTANTIATE_TEST_SUITE_P(Palettes, FramePixels, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Light" : "Dark"; });

}  // namespace
}  // namespace Ravenquill::Shell
