// The widgets drawn on a real render target: colours at chosen pixels, and the clicks reported.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>

#include "support/pointer_input.h"
#include "ui/canvas_win32.h"
#include "ui/dib_target_win32.h"
#include "ui/widgets.h"

namespace Ravenquill::Ui {
namespace {

using Interop::ComPtr;
using Testing::ClickAt;
using Testing::DibTarget;
using Testing::Near;
using Testing::PointerAt;
namespace Graphics = Interop::Graphics;

constexpr std::uint32_t Black = 0xFF000000;

// A translucent colour as it lands on an opaque one.
std::uint32_t Over(std::uint32_t color, std::uint32_t under) {
    const double a = ((color >> 24) & 0xFF) / 255.0;
    std::uint32_t result = 0xFF000000;
    for (int shift = 0; shift < 24; shift += 8) {
        const double c = (color >> shift) & 0xFF;
        const double u = (under >> shift) & 0xFF;
        result |= static_cast<std::uint32_t>(c * a + u * (1 - a) + 0.5) << shift;
    }
    return result;
}

struct WidgetFixture : ::testing::Test {
    ComPtr<ID2D1Factory> d2d = Graphics::CreateD2DFactory();
    ComPtr<IDWriteFactory> dwrite = Graphics::CreateDWriteFactory();
    DibTarget dib{d2d.Get(), 400, 200};
    D2DCanvas canvas{d2d.Get(), dwrite.Get()};
    Theme theme = Theme::Dark();

    WidgetFixture() {
        canvas.SetTarget(dib.Target());
        theme.ApplyAccent(L"#4C8DFF");
    }

    void Draw(const std::function<void()>& draw) { dib.Draw(draw, Black); }

    void ExpectPixel(int x, int y, std::uint32_t expected, const char* what, int tolerance = 8) {
        EXPECT_TRUE(Near(dib.Pixel(x, y), expected, tolerance))
            << what << ": (" << x << ", " << y << ") is " << std::hex << dib.Pixel(x, y) << ", not " << expected;
    }

    // Pixels in the region within the tolerance of a colour: how much of a text is drawn in it.
    int CountNear(std::uint32_t color, int left, int top, int right, int bottom, int tolerance = 24) const {
        int count = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) count += Near(dib.Pixel(x, y), color, tolerance) ? 1 : 0;
        return count;
    }

    // The first row from the top in which some pixel of the region differs from the colour.
    std::optional<int> FirstRowNotIn(std::uint32_t color, int left, int top, int right, int bottom) const {
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if (!Near(dib.Pixel(x, y), color, 24)) return y;
        return std::nullopt;
    }
};

TEST_F(WidgetFixture, PrimaryButtonFillsAndLabelsEachState) {
    const Rect rect{20, 20, 152, 56};
    struct Case {
        const char* Name;
        bool Enabled;
        Input Pointer;
        std::uint32_t Fill, Label;
    };
    const Case cases[] = {
        {"idle", true, PointerAt(10, 10), theme.Accent, theme.OnAccent},
        {"hovered", true, PointerAt(100, 40), theme.AccentHover, theme.OnAccent},
        {"pressed", true, PointerAt(100, 40, {.Down = true}), theme.AccentPressed, theme.OnAccent},
        {"pressed and dragged off", true, PointerAt(200, 40, {.Down = true}), theme.Accent, theme.OnAccent},
        {"disabled", false, PointerAt(100, 40, {.Down = true}), theme.Hover, theme.TextMuted},
    };
    for (const Case& c : cases) {
        Input input = c.Pointer;
        Draw([&] { Widgets{theme, canvas, input}.PrimaryButton(rect, L"Установить", c.Enabled); });
        ExpectPixel(23, 38, c.Fill, c.Name);   // left of the label, clear of the corners
        ExpectPixel(148, 24, c.Fill, c.Name);  // near the top right corner, inside it
        ExpectPixel(18, 38, Black, c.Name);
        EXPECT_GT(CountNear(c.Label, 40, 25, 132, 51), 20) << c.Name << ": the label is drawn in its colour";
        // The label is centred: as much of it left of the middle as right of it, within a glyph.
        const int left = CountNear(c.Label, 20, 20, 86, 56);
        const int right = CountNear(c.Label, 86, 20, 152, 56);
        EXPECT_LT(std::abs(left - right), (left + right) / 4 + 4) << c.Name;
    }
}

TEST_F(WidgetFixture, SecondaryAndTextButtonsShowTheirFrames) {
    const Rect rect{20, 20, 132, 56};
    struct Case {
        const char* Name;
        bool Secondary, Enabled;
        Input Pointer;
        std::uint32_t Fill;
        std::optional<std::uint32_t> Outline;
        std::uint32_t Label;
    };
    const Case cases[] = {
        {"secondary idle", true, true, PointerAt(-1, -1), theme.Control, theme.StrongBorder, theme.Text},
        {"secondary hovered", true, true, PointerAt(60, 30), theme.Hover, theme.StrongBorder, theme.Text},
        {"secondary pressed", true, true, PointerAt(60, 30, {.Down = true}), theme.Panel, theme.StrongBorder,
         theme.Text},
        {"secondary disabled, hovered", true, false, PointerAt(60, 30), theme.Control, theme.StrongBorder, theme.Text},
        {"text idle", false, true, PointerAt(-1, -1), Black, std::nullopt, theme.TextSecondary},
        {"text hovered", false, true, PointerAt(60, 30), theme.Hover, std::nullopt, theme.Text},
    };
    for (const Case& c : cases) {
        Input input = c.Pointer;
        Draw([&] {
            Widgets widgets{theme, canvas, input};
            if (c.Secondary)
                widgets.SecondaryButton(rect, L"Назад", c.Enabled);
            else
                widgets.TextButton(rect, L"Назад");
        });
        ExpectPixel(24, 38, c.Fill, c.Name);
        if (c.Outline) {
            ExpectPixel(20, 38, *c.Outline, c.Name);  // a 1-px outline on the left edge, inside
            ExpectPixel(76, 55, *c.Outline, c.Name);  // and on the bottom edge
            ExpectPixel(76, 56, Black, c.Name);       // nothing outside
        }
        EXPECT_GT(CountNear(c.Label, 40, 25, 112, 51), 15) << c.Name;
    }
}

TEST_F(WidgetFixture, CheckboxBoxAndMark) {
    const Rect rect{40, 40, 300, 62};  // box (40, 41)-(59, 60)
    struct Case {
        const char* Name;
        bool Checked;
        Input Pointer;
        std::uint32_t Inside, Outline;
    };
    const Case cases[] = {
        {"unchecked", false, PointerAt(-1, -1), Black, theme.StrongBorder},
        {"unchecked, hovered", false, PointerAt(200, 50), Black, theme.TextSecondary},
        {"checked", true, PointerAt(-1, -1), theme.Accent, theme.Accent},
        {"checked, hovered", true, PointerAt(200, 50), theme.AccentHover, theme.Accent},
    };
    for (const Case& c : cases) {
        Input input = c.Pointer;
        Draw([&] { canvas.Checkbox(input, theme, rect, L"Создать ярлык на рабочем столе", c.Checked, true); });
        ExpectPixel(49, 57, c.Inside, c.Name);  // below the mark
        ExpectPixel(40, 50, c.Outline, c.Name, 24);
        ExpectPixel(49, 59, c.Outline, c.Name, 24);
        ExpectPixel(49, 61, Black, c.Name);
        // The tick's low corner lies near (48.1, 53.9): drawn in OnAccent on a checked box.
        const std::uint32_t corner = dib.Pixel(48, 53);
        if (c.Checked)
            EXPECT_GT(corner & 0xFF0000, 0xB00000u) << c.Name << ": " << std::hex << corner;
        else
            EXPECT_EQ(corner, Black) << c.Name;
        EXPECT_GT(CountNear(theme.Text, 71, 40, 300, 62), 30) << c.Name;
    }
}

TEST_F(WidgetFixture, RadioCardRingDotAndSoftFill) {
    const Rect rect{10, 10, 390, 82};  // ring centred at (33, 31)
    for (bool selected : {false, true}) {
        Input input = PointerAt(-1, -1);
        Draw([&] {
            canvas.RadioCard(input, theme, rect, L"Для текущего пользователя", L"Без прав администратора", selected);
        });
        const char* name = selected ? "selected" : "not selected";
        const std::uint32_t fill = selected ? Over(theme.AccentSoft, Black) : theme.Panel;
        ExpectPixel(380, 75, fill, name);
        ExpectPixel(33, 31, selected ? theme.Accent : fill, name);                    // the dot
        ExpectPixel(33, 22, selected ? theme.Accent : theme.StrongBorder, name, 40);  // top of the ring
        ExpectPixel(33, 26, fill, name);                                              // between ring and dot
        ExpectPixel(10, 50, selected ? theme.Accent : theme.Border, name, 24);
    }
}

TEST_F(WidgetFixture, RadioCardMovesItsTitleUpForATwoLineDescription) {
    const Rect rect{10, 10, 250, 90};  // text column 54..236
    std::optional<int> titleTop[2];
    const wchar_t* descriptions[2] = {L"Коротко", L"Описание, которое не помещается в одну строку этой карточки"};
    for (int i = 0; i < 2; ++i) {
        Input input;
        Draw([&] { canvas.RadioCard(input, theme, rect, L"Заголовок", descriptions[i], false); });
        titleTop[i] = FirstRowNotIn(theme.Panel, 54, 12, 236, 88);
    }
    ASSERT_TRUE(titleTop[0] && titleTop[1]);
    const TextStyle description(L"Segoe UI Variable Text", 11.5f, 400, theme.TextMuted, true);
    const float oneLine = canvas.Measure(L"Коротко", description, 182).second;
    const float twoLines = canvas.Measure(descriptions[1], description, 182).second;
    ASSERT_GT(twoLines, 1.5f * oneLine) << "the long description wraps";
    // Half of the added line, within a pixel of rounding.
    const float expected = (twoLines - oneLine) / 2;
    EXPECT_NEAR(static_cast<float>(*titleTop[0] - *titleTop[1]), expected, 1.5f);
}

TEST_F(WidgetFixture, LockedComponentRowIgnoresThePointer) {
    const Rect rect{10, 10, 390, 71};  // box (24, 23)-(43, 42)
    Input input = ClickAt(30, 30);
    bool clicked = true;
    Draw([&] { clicked = canvas.ComponentRow(input, theme, rect, L"Ядро", L"Основные файлы", L"12 МБ", true, true); });
    EXPECT_FALSE(clicked);
    EXPECT_FALSE(input.Hot);
    ExpectPixel(33, 40, Over(theme.AccentSoft, theme.Panel), "soft box");
    ExpectPixel(24, 32, theme.StrongBorder, "outline", 24);
    ExpectPixel(380, 65, theme.Panel, "card");
    ExpectPixel(10, 40, theme.Border, "card outline", 24);
    // The tick is muted, not white: nothing on the box comes near OnAccent.
    EXPECT_EQ(CountNear(theme.OnAccent, 25, 24, 43, 41, 40), 0);
    EXPECT_GT(CountNear(theme.TextMuted, 25, 24, 43, 41, 40), 3);
}

// Pixels in the region that are not the colour: what is drawn over it.
int CountNotNear(const DibTarget& dib, std::uint32_t color, int left, int top, int right, int bottom) {
    int count = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) count += Near(dib.Pixel(x, y), color, 24) ? 0 : 1;
    return count;
}

TEST_F(WidgetFixture, ALongComponentNameEndsInAnEllipsisBeforeItsSizeText) {
    // The name line is y 22 to 40; its column ends 120 px left of the row's right edge, where the
    // size text's 100-px box begins 6 px further on. The size text is left empty here, so whatever
    // is drawn right of the column is the name's.
    const wchar_t name[] = L"Словари для проверки орфографии на нескольких языках";
    for (const float right : {390.0f, 300.0f}) {
        SCOPED_TRACE(right);
        const Rect rect{10, 10, right, 71};
        const int column = static_cast<int>(right) - 120;
        Input input;
        Draw([&] { canvas.ComponentRow(input, theme, rect, name, L"", L"", true, false); });
        EXPECT_EQ(CountNotNear(dib, theme.Panel, column + 1, 22, static_cast<int>(right) - 10, 40), 0)
            << "the name runs on past its column";
        EXPECT_GT(CountNotNear(dib, theme.Panel, column - 14, 22, column, 40), 0) << "the ellipsis ends the column";
        EXPECT_GT(CountNotNear(dib, theme.Panel, 56, 22, 100, 40), 0) << "the name begins at the column's left";
    }
}

TEST_F(WidgetFixture, RectanglesNarrowerThanTheirTextColumnsStillDraw) {
    // The text columns start right of the box or ring: in a narrow rectangle their width is
    // negative, which the platform refuses; the frame must still draw.
    Input input = PointerAt(15, 20);
    EXPECT_NO_THROW(Draw([&] {
        canvas.Checkbox(input, theme, Rect{10, 10, 30, 32}, L"Ярлык", true, true);
        canvas.RadioCard(input, theme, Rect{40, 10, 80, 82}, L"Заголовок", L"Описание", true);
        canvas.ComponentRow(input, theme, Rect{90, 10, 200, 71}, L"Ядро", L"Основные файлы", L"1 МБ", true, false);
        EXPECT_EQ(canvas.ComponentRowHeight(theme, L"Основные файлы", -50),
                  canvas.ComponentRowHeight(theme, L"Основные файлы", 0));
        Widgets{theme, canvas, input}.PrimaryButton(Rect{210, 10, 200, 40}, L"Далее", true);
    }));
    EXPECT_TRUE(input.Hot);
    ExpectPixel(19, 29, theme.Accent, "the narrow check box");
}

TEST_F(WidgetFixture, ClicksReachOnlyTheWidgetUnderThePointer) {
    // One frame of a footer and two option rows, clicked at several points.
    const Rect primary{260, 150, 392, 186}, secondary{136, 150, 248, 186}, text{12, 150, 124, 186};
    const Rect box{10, 10, 390, 32}, row{10, 40, 390, 101};
    struct Case {
        float X, Y;
        const char* Expected;  // the widget that reports the click, or ""
    };
    const Case cases[] = {
        {300, 160, "primary"},
        {260, 150, "primary"},
        {391.9f, 185.9f, "primary"},
        {392, 160, ""},
        {200, 170, "secondary"},
        {20, 170, "text"},
        {254, 170, ""},
        {380, 20, "checkbox"},
        {200, 60, "row"},
        {200, 101, ""},
        {-1, -1, ""},
    };
    for (const Case& c : cases) {
        Input input = ClickAt(c.X, c.Y);
        std::string clicked;
        Draw([&] {
            Widgets widgets{theme, canvas, input};
            if (widgets.PrimaryButton(primary, L"Далее", true)) clicked += "primary";
            if (widgets.SecondaryButton(secondary, L"Назад", true)) clicked += "secondary";
            if (widgets.TextButton(text, L"Отмена")) clicked += "text";
            if (canvas.Checkbox(input, theme, box, L"Ярлык", false, true)) clicked += "checkbox";
            if (canvas.ComponentRow(input, theme, row, L"Ядро", L"", L"1 МБ", false, false)) clicked += "row";
        });
        EXPECT_EQ(clicked, c.Expected) << c.X << ", " << c.Y;
        EXPECT_EQ(input.Hot, *c.Expected != '\0') << c.X << ", " << c.Y;
    }
}

}  // namespace
}  // namespace Ravenquill::Ui
