#include "ui/widgets.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

#include "support/pointer_input.h"
#include "ui/canvas_recorder.h"

namespace Ravenquill::Ui {
namespace {

using Testing::CanvasCall;
using Testing::CanvasOp;
using Testing::RecordingCanvas;

constexpr Rect Button{600, 488, 732, 524};
constexpr float Inside[2] = {610, 500};
constexpr float Outside[2] = {590, 500};

// Pointer position and flags of one frame.
struct Pointer {
    bool Over = false;
    bool Down = false;
    bool Clicked = false;
};

Input MakeInput(const Pointer& p) {
    return Testing::PointerAt(p.Over ? Inside[0] : Outside[0], p.Over ? Inside[1] : Outside[1],
                              {.Down = p.Down, .Clicked = p.Clicked});
}

// The label is the last call, and the one DrawText of the frame.
CanvasCall Label(const RecordingCanvas& canvas) {
    EXPECT_FALSE(canvas.Calls.empty());
    const CanvasCall& last = canvas.Calls.back();
    EXPECT_EQ(last.Op, CanvasOp::DrawText);
    EXPECT_EQ(canvas.Of(CanvasOp::DrawText).size(), 1u);
    return last;
}

std::optional<std::uint32_t> FillOf(const RecordingCanvas& canvas) {
    const auto fills = canvas.Of(CanvasOp::FillRoundedRect);
    if (fills.empty()) return std::nullopt;
    EXPECT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].Area, Button);
    EXPECT_EQ(fills[0].Radius, 6);
    return fills[0].Color;
}

TEST(Widgets, LabelStylesAreOneLineBodyText) {
    const Theme theme = Theme::Light();
    RecordingCanvas canvas;
    Input input;
    const Widgets widgets{theme, canvas, input};
    EXPECT_EQ(widgets.PrimaryLabelStyle(), TextStyle(L"Segoe UI Variable Text", 13.5f, 600, theme.OnAccent));
    EXPECT_EQ(widgets.LabelStyle(), TextStyle(L"Segoe UI Variable Text", 13.5f, 400, theme.Text));
}

TEST(Widgets, PrimaryButtonFollowsThePointer) {
    const Theme t = Theme::Dark();
    struct Case {
        const char* Name;
        bool Enabled;
        Pointer At;
        std::uint32_t Fill, LabelColor;
        bool Hot, Result;
    };
    const Case cases[] = {
        {"idle", true, {}, t.Accent, t.OnAccent, false, false},
        {"hovered", true, {true}, t.AccentHover, t.OnAccent, true, false},
        {"pressed", true, {true, true}, t.AccentPressed, t.OnAccent, true, false},
        {"released over it", true, {true, false, true}, t.AccentHover, t.OnAccent, true, true},
        {"press dragged off", true, {false, true}, t.Accent, t.OnAccent, false, false},
        {"released off it", true, {false, false, true}, t.Accent, t.OnAccent, false, false},
        {"disabled", false, {}, t.Hover, t.TextMuted, false, false},
        {"disabled, hovered", false, {true}, t.Hover, t.TextMuted, false, false},
        {"disabled, pressed", false, {true, true}, t.Hover, t.TextMuted, false, false},
        {"disabled, clicked", false, {true, false, true}, t.Hover, t.TextMuted, false, false},
    };
    for (const Case& c : cases) {
        RecordingCanvas canvas;
        Input input = MakeInput(c.At);
        const bool clicked = Widgets{t, canvas, input}.PrimaryButton(Button, L"Установить", c.Enabled);
        EXPECT_EQ(clicked, c.Result) << c.Name;
        EXPECT_EQ(input.Hot, c.Hot) << c.Name;
        EXPECT_EQ(FillOf(canvas), c.Fill) << c.Name;
        const CanvasCall label = Label(canvas);
        EXPECT_EQ(label.Text, L"Установить");
        EXPECT_EQ(label.Color, c.LabelColor) << c.Name;
        EXPECT_EQ(label.Style->Weight, 600u);
        EXPECT_EQ(label.Style->Align, TextAlign::Center);
        EXPECT_TRUE(canvas.Of(CanvasOp::StrokeRoundedRect).empty()) << c.Name;
    }
}

TEST(Widgets, SecondaryButtonDisabledLooksIdle) {
    const Theme t = Theme::Light();
    struct Case {
        const char* Name;
        bool Enabled;
        Pointer At;
        std::uint32_t Fill;
        bool Hot, Result;
    };
    const Case cases[] = {
        {"idle", true, {}, t.Control, false, false},
        {"hovered", true, {true}, t.Hover, true, false},
        {"pressed", true, {true, true}, t.Panel, true, false},
        {"released over it", true, {true, false, true}, t.Hover, true, true},
        {"released off it", true, {false, false, true}, t.Control, false, false},
        {"disabled, hovered", false, {true}, t.Control, false, false},
        {"disabled, pressed", false, {true, true}, t.Control, false, false},
        {"disabled, clicked", false, {true, false, true}, t.Control, false, false},
    };
    for (const Case& c : cases) {
        RecordingCanvas canvas;
        Input input = MakeInput(c.At);
        Widgets widgets{t, canvas, input};
        EXPECT_EQ(widgets.SecondaryButton(Button, L"Назад", c.Enabled), c.Result) << c.Name;
        EXPECT_EQ(input.Hot, c.Hot) << c.Name;
        EXPECT_EQ(FillOf(canvas), c.Fill) << c.Name;
        const auto outlines = canvas.Of(CanvasOp::StrokeRoundedRect);
        ASSERT_EQ(outlines.size(), 1u) << c.Name;
        EXPECT_EQ(outlines[0].Area, Button);
        EXPECT_EQ(outlines[0].Radius, 6);
        EXPECT_EQ(outlines[0].Width, 1);
        EXPECT_EQ(outlines[0].Color, t.StrongBorder);
        const CanvasCall label = Label(canvas);
        EXPECT_EQ(label.Color, t.Text) << c.Name;
        EXPECT_EQ(label.Style->Weight, 400u);
        EXPECT_EQ(label.Style->Align, TextAlign::Center);
    }
}

TEST(Widgets, TextButtonHasAFrameOnlyWhileHovered) {
    const Theme t = Theme::Dark();
    struct Case {
        const char* Name;
        Pointer At;
        std::optional<std::uint32_t> Fill;
        std::uint32_t LabelColor;
        bool Hot, Result;
    };
    const Case cases[] = {
        {"idle", {}, std::nullopt, t.TextSecondary, false, false},
        {"hovered", {true}, t.Hover, t.Text, true, false},
        {"pressed: no pressed look", {true, true}, t.Hover, t.Text, true, false},
        {"released over it", {true, false, true}, t.Hover, t.Text, true, true},
        {"released off it", {false, false, true}, std::nullopt, t.TextSecondary, false, false},
    };
    for (const Case& c : cases) {
        RecordingCanvas canvas;
        Input input = MakeInput(c.At);
        Widgets widgets{t, canvas, input};
        EXPECT_EQ(widgets.TextButton(Button, L"Отмена"), c.Result) << c.Name;
        EXPECT_EQ(input.Hot, c.Hot) << c.Name;
        EXPECT_EQ(FillOf(canvas), c.Fill) << c.Name;
        EXPECT_EQ(Label(canvas).Color, c.LabelColor) << c.Name;
    }
}

TEST(Widgets, LabelsAreCentredBothWaysInTheButton) {
    const Theme t = Theme::Dark();
    RecordingCanvas canvas;
    canvas.Measurer = [](std::wstring_view, const TextStyle&, float) { return std::pair<float, float>{70, 18}; };
    Input input;
    Widgets widgets{t, canvas, input};
    widgets.PrimaryButton(Button, L"Далее", true);
    widgets.SecondaryButton(Button, L"Далее", true);
    widgets.TextButton(Button, L"Далее");
    const auto labels = canvas.Of(CanvasOp::DrawText);
    ASSERT_EQ(labels.size(), 3u);
    for (const CanvasCall& label : labels) {
        // 36 high, 18 measured: the layout starts 9 below the top and spans the button's width,
        // where the centred alignment places the text.
        EXPECT_EQ(label.Area, (Rect{600, 497, 732, 515}));
        EXPECT_EQ(label.Style->Align, TextAlign::Center);
    }
}

TEST(Widgets, HotStaysSetByAnEarlierWidget) {
    // Hot collects over a frame: a later widget away from the pointer does not clear it.
    const Theme t = Theme::Dark();
    RecordingCanvas canvas;
    Input input = MakeInput({true});
    Widgets widgets{t, canvas, input};
    widgets.PrimaryButton(Button, L"Далее", true);
    widgets.SecondaryButton(Rect{400, 488, 512, 524}, L"Назад", true);
    EXPECT_TRUE(input.Hot);
}

}  // namespace
}  // namespace Ravenquill::Ui
