// The check box, the option card and the component row, drawn on a recording canvas.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "support/pointer_input.h"
#include "ui/canvas.h"
#include "ui/canvas_recorder.h"

namespace Ravenquill::Ui {
namespace {

using Testing::CanvasCall;
using Testing::CanvasOp;
using Testing::PointerAt;
using Testing::RecordingCanvas;

constexpr wchar_t CheckMark[] = L"M 0,4.2 L 3.4,7.6 L 9.4,1.2";

// The calls whose rectangle is exactly this one.
std::vector<CanvasCall> At(const RecordingCanvas& canvas, CanvasOp op, const Rect& area) {
    std::vector<CanvasCall> result;
    for (const CanvasCall& c : canvas.Of(op))
        if (c.Area == area) result.push_back(c);
    return result;
}

std::optional<std::uint32_t> ColorAt(const RecordingCanvas& canvas, CanvasOp op, const Rect& area) {
    const auto calls = At(canvas, op, area);
    if (calls.empty()) return std::nullopt;
    EXPECT_EQ(calls.size(), 1u);
    return calls[0].Color;
}

TEST(Checkbox, DrawsBoxMarkAndLabelForEachState) {
    const Theme t = Theme::Dark();
    const Rect rect{100, 200, 400, 222};
    const Rect box{100, 201, 119, 220};
    struct Case {
        const char* Name;
        bool Checked, Enabled, Over, Clicked;
        std::optional<std::uint32_t> Fill;
        std::uint32_t Outline, LabelColor;
        bool Hot, Result;
    };
    const Case cases[] = {
        {"unchecked", false, true, false, false, std::nullopt, t.StrongBorder, t.Text, false, false},
        {"unchecked, hovered", false, true, true, false, std::nullopt, t.TextSecondary, t.Text, true, false},
        {"checked", true, true, false, false, t.Accent, t.Accent, t.Text, false, false},
        {"checked, hovered", true, true, true, false, t.AccentHover, t.Accent, t.Text, true, false},
        {"clicked", false, true, true, true, std::nullopt, t.TextSecondary, t.Text, true, true},
        {"disabled, clicked", true, false, true, true, t.Accent, t.Accent, t.TextMuted, false, false},
        {"disabled unchecked, hovered", false, false, true, false, std::nullopt, t.StrongBorder, t.TextMuted, false,
         false},
    };
    for (const Case& c : cases) {
        RecordingCanvas canvas;
        // The label at the far right is still part of the hit area.
        Input input = c.Over ? PointerAt(399, 210, {.Clicked = c.Clicked}) : PointerAt(50, 210, {.Clicked = c.Clicked});
        EXPECT_EQ(canvas.Checkbox(input, t, rect, L"Создать ярлык", c.Checked, c.Enabled), c.Result) << c.Name;
        EXPECT_EQ(input.Hot, c.Hot) << c.Name;
        EXPECT_EQ(ColorAt(canvas, CanvasOp::FillRoundedRect, box), c.Fill) << c.Name;
        const auto outline = At(canvas, CanvasOp::StrokeRoundedRect, box);
        ASSERT_EQ(outline.size(), 1u) << c.Name;
        EXPECT_EQ(outline[0].Color, c.Outline) << c.Name;
        EXPECT_FLOAT_EQ(outline[0].Width, 1.2f);
        EXPECT_EQ(outline[0].Radius, 4);
        const auto marks = canvas.Of(CanvasOp::DrawPath);
        ASSERT_EQ(marks.size(), c.Checked ? 1u : 0u) << c.Name;
        if (c.Checked) {
            EXPECT_EQ(marks[0].Text, CheckMark);
            EXPECT_EQ(marks[0].Area, (Rect{104.5f, 206.5f, 114.5f, 214.5f}));
            EXPECT_EQ(marks[0].Color, t.OnAccent);
            EXPECT_FLOAT_EQ(marks[0].Width, 1.8f);
        }
        // 13.5 px regular, measured 18 high by the recorder, centred in the 22-px rectangle.
        const auto label = canvas.TextCall(L"Создать ярлык");
        ASSERT_TRUE(label) << c.Name;
        EXPECT_EQ(label->Area, (Rect{131, 202, 400, 220}));
        EXPECT_EQ(label->Color, c.LabelColor) << c.Name;
        EXPECT_EQ(*label->Style, TextStyle(L"Segoe UI Variable Text", 13.5f, 400, c.LabelColor));
        EXPECT_EQ(canvas.Calls.back().Op, CanvasOp::DrawText) << "the label lies on top";
    }
}

TEST(RadioCard, SelectionAndHoverPickFillOutlineAndRing) {
    const Theme t = Theme::Light();
    const Rect rect{328, 150, 876, 222};
    struct Case {
        const char* Name;
        bool Selected, Over;
        std::uint32_t Fill, Outline, Ring;
    };
    const Case cases[] = {
        {"idle", false, false, t.Panel, t.Border, t.StrongBorder},
        {"hovered", false, true, t.Panel, t.StrongBorder, t.StrongBorder},
        {"selected", true, false, t.AccentSoft, t.Accent, t.Accent},
        {"selected, hovered", true, true, t.AccentSoft, t.Accent, t.Accent},
    };
    for (const Case& c : cases) {
        for (bool clicked : {false, true}) {
            RecordingCanvas canvas;
            Input input =
                c.Over ? PointerAt(870, 221, {.Clicked = clicked}) : PointerAt(870, 222, {.Clicked = clicked});
            EXPECT_EQ(canvas.RadioCard(input, t, rect, L"Для текущего пользователя", L"Без прав", c.Selected),
                      c.Over && clicked)
                << c.Name;
            EXPECT_EQ(input.Hot, c.Over) << c.Name;
            EXPECT_EQ(ColorAt(canvas, CanvasOp::FillRoundedRect, rect), c.Fill) << c.Name;
            EXPECT_EQ(ColorAt(canvas, CanvasOp::StrokeRoundedRect, rect), c.Outline) << c.Name;
            const auto ring = canvas.Of(CanvasOp::StrokeCircle);
            ASSERT_EQ(ring.size(), 1u);
            EXPECT_EQ(ring[0].Area, (Rect{342, 162, 360, 180}));  // centre (351, 171), radius 9
            EXPECT_FLOAT_EQ(ring[0].Width, 1.4f);
            EXPECT_EQ(ring[0].Color, c.Ring) << c.Name;
            const auto dot = canvas.Of(CanvasOp::FillCircle);
            ASSERT_EQ(dot.size(), c.Selected ? 1u : 0u) << c.Name;
            if (c.Selected) {
                EXPECT_EQ(dot[0].Area, (Rect{347, 167, 355, 175}));
                EXPECT_EQ(dot[0].Color, t.Accent);
            }
        }
    }
}

TEST(RadioCard, TitleAndDescriptionStayCentredAsTheDescriptionWraps) {
    const Theme t = Theme::Dark();
    const Rect rect{0, 0, 400, 72};  // text column 44..386, w = 342
    struct Case {
        const char* Name;
        float TitleHeight, DescriptionHeight;  // as measured
        Rect Title, Description;
    };
    const Case cases[] = {
        // 18 + 2 + 15 = 35 in 72: the block starts at 18.5.
        {"one line", 18, 15.3f, {44, 18.5f, 386, 36.5f}, {44, 38.5f, 386, 53.5f}},
        // A second line moves the title up by half a line.
        {"two lines", 18, 30.7f, {44, 10.5f, 386, 28.5f}, {44, 30.5f, 386, 61.5f}},
        // Measured heights are rounded halves to even before they place anything.
        {"halves", 18.5f, 20.5f, {44, 16, 386, 34}, {44, 36, 386, 56}},
        {"no description", 18, 0, {44, 26, 386, 44}, {44, 46, 386, 46}},
    };
    for (const Case& c : cases) {
        RecordingCanvas canvas;
        std::vector<float> widths;
        canvas.Measurer = [&](std::wstring_view, const TextStyle& style, float maxWidth) {
            widths.push_back(maxWidth);
            return std::pair<float, float>{100, style.Wrap ? c.DescriptionHeight : c.TitleHeight};
        };
        Input input;
        const std::wstring_view description = c.DescriptionHeight > 0 ? L"Описание" : L"";
        canvas.RadioCard(input, t, rect, L"Заголовок", description, false);
        const auto title = canvas.TextCall(L"Заголовок");
        ASSERT_TRUE(title) << c.Name;
        EXPECT_EQ(title->Area, c.Title) << c.Name;
        EXPECT_EQ(*title->Style, TextStyle(L"Segoe UI Variable Text", 13.5f, 600, t.Text));
        EXPECT_EQ(widths.at(0), std::numeric_limits<float>::max()) << "the title has no width limit";
        if (c.DescriptionHeight > 0) {
            const auto text = canvas.TextCall(L"Описание");
            ASSERT_TRUE(text) << c.Name;
            EXPECT_EQ(text->Area, c.Description) << c.Name;
            EXPECT_EQ(*text->Style, TextStyle(L"Segoe UI Variable Text", 11.5f, 400, t.TextMuted, true));
            EXPECT_EQ(widths.at(1), 342) << "the description wraps at the text column";
        } else {
            EXPECT_EQ(canvas.Of(CanvasOp::DrawText).size(), 1u);
        }
    }
}

TEST(ComponentRow, LockAndCheckPickTheBoxLook) {
    const Theme t = Theme::Dark();
    const Rect rect{328, 100, 876, 161};
    const Rect box{342, 113, 361, 132};
    struct Case {
        const char* Name;
        bool Checked, Locked, Over;
        std::optional<std::uint32_t> BoxFill;
        std::uint32_t Outline;
        std::optional<std::uint32_t> Mark;
        std::uint32_t NameColor;
        bool Hot;
    };
    const Case cases[] = {
        {"checked", true, false, false, t.Accent, t.Accent, t.OnAccent, t.Text, false},
        {"checked, hovered", true, false, true, t.AccentHover, t.Accent, t.OnAccent, t.Text, true},
        {"unchecked", false, false, false, std::nullopt, t.StrongBorder, std::nullopt, t.Text, false},
        {"unchecked, hovered", false, false, true, std::nullopt, t.TextSecondary, std::nullopt, t.Text, true},
        {"locked, checked, hovered", true, true, true, t.AccentSoft, t.StrongBorder, t.TextMuted, t.TextMuted, false},
        {"locked, unchecked, hovered", false, true, true, std::nullopt, t.StrongBorder, std::nullopt, t.TextMuted,
         false},
    };
    for (const Case& c : cases) {
        for (bool clicked : {false, true}) {
            RecordingCanvas canvas;
            Input input =
                c.Over ? PointerAt(800, 150, {.Clicked = clicked}) : PointerAt(800, 161, {.Clicked = clicked});
            EXPECT_EQ(canvas.ComponentRow(input, t, rect, L"Ядро", L"Основные файлы", L"12,5 МБ", c.Checked, c.Locked),
                      c.Hot && clicked)
                << c.Name;
            EXPECT_EQ(input.Hot, c.Hot) << c.Name;
            // The card looks the same whatever the state, and comes first.
            ASSERT_GE(canvas.Calls.size(), 2u);
            EXPECT_EQ(canvas.Calls[0].Op, CanvasOp::FillRoundedRect);
            EXPECT_EQ(canvas.Calls[0].Area, rect);
            EXPECT_EQ(canvas.Calls[0].Radius, 8);
            EXPECT_EQ(canvas.Calls[0].Color, t.Panel);
            EXPECT_EQ(canvas.Calls[1].Op, CanvasOp::StrokeRoundedRect);
            EXPECT_EQ(canvas.Calls[1].Area, rect);
            EXPECT_EQ(canvas.Calls[1].Color, t.Border);
            EXPECT_EQ(canvas.Calls[1].Width, 1);

            EXPECT_EQ(ColorAt(canvas, CanvasOp::FillRoundedRect, box), c.BoxFill) << c.Name;
            EXPECT_EQ(ColorAt(canvas, CanvasOp::StrokeRoundedRect, box), c.Outline) << c.Name;
            const auto marks = canvas.Of(CanvasOp::DrawPath);
            ASSERT_EQ(marks.size(), c.Mark ? 1u : 0u) << c.Name;
            if (c.Mark) {
                EXPECT_EQ(marks[0].Area, (Rect{346.5f, 118.5f, 356.5f, 126.5f}));
                EXPECT_EQ(marks[0].Color, *c.Mark) << c.Name;
                EXPECT_EQ(marks[0].Text, CheckMark);
            }
            const auto name = canvas.TextCall(L"Ядро");
            ASSERT_TRUE(name);
            EXPECT_EQ(name->Color, c.NameColor) << c.Name;
        }
    }
}

TEST(ComponentRow, TextsLieInTheirColumns) {
    const Theme t = Theme::Light();
    const Rect rect{328, 100, 876, 161};  // text column 373..756, w = 383
    RecordingCanvas canvas;
    std::vector<float> widths;
    canvas.Measurer = [&](std::wstring_view, const TextStyle& style, float maxWidth) {
        widths.push_back(maxWidth);
        return std::pair<float, float>{80, style.Wrap ? 30.6f : 18.4f};
    };
    Input input;
    canvas.ComponentRow(input, t, rect, L"Ядро", L"Основные файлы", L"12,5 МБ", true, false);
    const auto size = canvas.TextCall(L"12,5 МБ");
    ASSERT_TRUE(size);
    EXPECT_EQ(size->Area, (Rect{762, 113, 862, 129}));
    EXPECT_EQ(*size->Style,
              TextStyle(L"Segoe UI Variable Text", 11.5f, 400, t.TextMuted, false, 0, false, TextAlign::Right));
    const auto name = canvas.TextCall(L"Ядро");
    ASSERT_TRUE(name);
    EXPECT_EQ(name->Area, (Rect{373, 112, 756, 130}));
    EXPECT_EQ(*name->Style, TextStyle(L"Segoe UI Variable Text", 13.5f, 600, t.Text, false, 0, true));
    const auto description = canvas.TextCall(L"Основные файлы");
    ASSERT_TRUE(description);
    EXPECT_EQ(description->Area, (Rect{373, 133, 756, 164}));
    EXPECT_EQ(*description->Style, TextStyle(L"Segoe UI Variable Text", 11.5f, 400, t.TextMuted, true));
    EXPECT_EQ(widths, (std::vector<float>{std::numeric_limits<float>::max(), 383}));
}

TEST(ComponentRow, ABlankDescriptionDrawsOnlyTheName) {
    const Theme t = Theme::Dark();
    for (const wchar_t* blank : {L"", L"  ", L"\t\u00A0"}) {
        RecordingCanvas canvas;
        Input input;
        canvas.ComponentRow(input, t, Rect{0, 0, 548, 43}, L"Ядро", blank, L"1 МБ", false, false);
        const auto texts = canvas.Of(CanvasOp::DrawText);
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_EQ(texts[0].Text, L"1 МБ");
        EXPECT_EQ(texts[1].Text, L"Ядро");
    }
}

TEST(ComponentRow, HeightFollowsTheDescription) {
    const Theme t = Theme::Dark();
    RecordingCanvas canvas;
    std::vector<float> widths;
    canvas.Measurer = [&](std::wstring_view text, const TextStyle& style, float maxWidth) {
        widths.push_back(maxWidth);
        EXPECT_EQ(style, TextStyle(L"Segoe UI Variable Text", 11.5f, 400, t.TextMuted, true));
        return std::pair<float, float>{80, text.size() > 10 ? 30.5f : 15.3f};
    };
    for (float width : {0.0f, 383.0f, 1e6f}) {
        for (const wchar_t* blank : {L"", L" ", L"\u2003\n"}) EXPECT_EQ(canvas.ComponentRowHeight(t, blank, width), 43);
    }
    EXPECT_TRUE(widths.empty()) << "a blank description is not measured";
    EXPECT_EQ(canvas.ComponentRowHeight(t, L"Файлы", 383), 15 + 46);
    EXPECT_EQ(canvas.ComponentRowHeight(t, L"Основные файлы", 383), 30 + 46);  // 30.5 rounds to even
    EXPECT_EQ(widths, (std::vector<float>{383, 383}));
}

}  // namespace
}  // namespace Ravenquill::Ui
