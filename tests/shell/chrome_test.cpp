#include "shell/chrome.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "support/pointer_input.h"
#include "ui/canvas_recorder.h"
#include "ui/icons.h"

namespace Ravenquill::Shell {
namespace {

using Testing::CanvasCall;
using Testing::CanvasOp;
using Testing::RecordingCanvas;
using Ui::Rect;

const Ui::Theme Dark = Ui::Theme::Dark();

std::shared_ptr<ShellState> Sidebar(int activeStep = 1) {
    auto state = std::make_shared<ShellState>();
    state->ProductName = L"Quill";
    state->Version = L"1.0";
    state->Publisher = L"Raven";
    state->Monogram = L"Q";
    state->SetSteps({{1, L"Начало"}, {2, L"Параметры"}, {3, L"Установка"}, {4, L"Готово"}});
    state->SetCurrentStep(activeStep);
    return state;
}

// Every text is 10 px per unit wide and 20 px high (a wrapped one 40), so layouts are easy to
// follow by hand.
std::pair<float, float> FixedMeasure(std::wstring_view text, const Ui::TextStyle& style, float) {
    return {10.0f * static_cast<float>(text.size()), style.Wrap ? 40.0f : 20.0f};
}

std::vector<CanvasCall> Draw(Chrome& chrome, const ShellState& state, RecordingCanvas& canvas,
                             const std::function<void(Ui::Canvas&)>& content = {}) {
    canvas.Clear();
    chrome.Draw(canvas, state, content);
    return canvas.Calls;
}

const CanvasCall* FindFill(const std::vector<CanvasCall>& calls, CanvasOp op, const Rect& rect) {
    for (const CanvasCall& c : calls)
        if (c.Op == op && c.Area == rect) return &c;
    return nullptr;
}

TEST(Chrome, DrawsShadowCardClipContentAndOutlineInThatOrder) {
    Chrome chrome(Dark);
    RecordingCanvas canvas;
    bool contentInsideClip = false;
    const auto calls = Draw(chrome, *Sidebar(), canvas, [&](Ui::Canvas&) {
        // The clip is open while the content draws: the last clip call so far is the push.
        for (auto it = canvas.Calls.rbegin(); it != canvas.Calls.rend(); ++it) {
            if (it->Op == CanvasOp::PopLayer) break;
            if (it->Op == CanvasOp::PushRoundedClip && it->Area == Chrome::CardRect) contentInsideClip = true;
        }
        canvas.Calls.push_back({CanvasOp::FillRect, Rect{1, 2, 3, 4}});  // a marker for the content
    });
    ASSERT_GE(calls.size(), 6u);
    EXPECT_EQ(calls[0].Op, CanvasOp::CreateBitmap);
    EXPECT_EQ(calls[0].Area, (Rect{0, 0, 940, 580}));
    EXPECT_EQ(calls[1].Op, CanvasOp::DrawBitmap);
    EXPECT_EQ(calls[1].Area, (Rect{0, 0, 940, 580}));
    EXPECT_EQ(calls[2].Op, CanvasOp::FillRoundedRect);
    EXPECT_EQ(calls[2].Area, (Rect{24, 24, 916, 556}));
    EXPECT_EQ(calls[2].Radius, 10);
    EXPECT_EQ(calls[2].Color, Dark.Background);
    EXPECT_EQ(calls[3].Op, CanvasOp::PushRoundedClip);
    EXPECT_EQ(calls[3].Area, Chrome::CardRect);
    EXPECT_EQ(calls[3].Radius, 10);
    EXPECT_TRUE(contentInsideClip);

    const size_t n = calls.size();
    EXPECT_EQ(calls[n - 3].Area, (Rect{1, 2, 3, 4}));  // the content is the last thing inside the clip
    EXPECT_EQ(calls[n - 2].Op, CanvasOp::PopLayer);
    EXPECT_EQ(calls[n - 1].Op, CanvasOp::StrokeRoundedRect);
    EXPECT_EQ(calls[n - 1].Area, Chrome::CardRect);
    EXPECT_EQ(calls[n - 1].Color, Dark.Border);
    EXPECT_EQ(calls[n - 1].Width, 1);
}

TEST(Chrome, ShadowIsMadeOnceAndDrawnEveryFrame) {
    Chrome chrome(Dark);
    RecordingCanvas canvas;
    const auto state = Sidebar();
    chrome.Draw(canvas, *state, {});
    chrome.Draw(canvas, *state, {});
    EXPECT_EQ(canvas.Of(CanvasOp::CreateBitmap).size(), 1u);
    EXPECT_EQ(canvas.Of(CanvasOp::DrawBitmap).size(), 2u);
}

TEST(Chrome, SidebarFillsBorderAndMonogramTile) {
    Chrome chrome(Dark);
    RecordingCanvas canvas;
    const auto calls = Draw(chrome, *Sidebar(), canvas);
    const CanvasCall* sidebar = FindFill(calls, CanvasOp::FillRect, Chrome::SidebarRect);
    ASSERT_NE(sidebar, nullptr);
    EXPECT_EQ(sidebar->Color, Dark.Sidebar);
    const CanvasCall* border = FindFill(calls, CanvasOp::FillRect, Rect{287, 24, 288, 556});
    ASSERT_NE(border, nullptr);
    EXPECT_EQ(border->Color, Dark.Border);
    const CanvasCall* separator = FindFill(calls, CanvasOp::FillRect, Rect{52, 118, 264, 119});
    ASSERT_NE(separator, nullptr);
    EXPECT_EQ(separator->Color, Dark.Border);

    const CanvasCall* tile = FindFill(calls, CanvasOp::FillRoundedRect, Rect{52, 54, 92, 94});
    ASSERT_NE(tile, nullptr);
    EXPECT_EQ(tile->Radius, 8);
    EXPECT_EQ(tile->Color, Dark.Accent);
    const auto monogram = canvas.TextCall(L"Q");
    ASSERT_TRUE(monogram);
    EXPECT_EQ(monogram->Style->Family, L"Segoe UI Variable Display");
    EXPECT_EQ(monogram->Style->Size, 18);
    EXPECT_EQ(monogram->Style->Weight, 600u);
    EXPECT_EQ(monogram->Style->Color, Dark.OnAccent);
    EXPECT_EQ(monogram->Style->Align, Ui::TextAlign::Center);
    EXPECT_FLOAT_EQ((monogram->Area.Top + monogram->Area.Bottom) / 2, 74);  // centred on the tile
    EXPECT_EQ(monogram->Area.Left, 52);
    EXPECT_EQ(monogram->Area.Right, 92);
}

TEST(Chrome, ALogoTakesTheMonogramsPlaceClippedToTheTile) {
    Chrome chrome(Dark);
    RecordingCanvas canvas;
    auto state = Sidebar();
    state->Logo = std::make_shared<Testing::RecordedBitmap>(64, 64);
    const auto calls = Draw(chrome, *state, canvas);
    EXPECT_FALSE(canvas.TextCall(L"Q"));
    EXPECT_EQ(FindFill(calls, CanvasOp::FillRoundedRect, Rect{52, 54, 92, 94}), nullptr);
    size_t i = 0;
    while (i < calls.size() && !(calls[i].Op == CanvasOp::PushRoundedClip && calls[i].Area == Rect{52, 54, 92, 94}))
        ++i;
    ASSERT_LT(i + 2, calls.size());
    EXPECT_EQ(calls[i].Radius, 8);
    EXPECT_EQ(calls[i + 1].Op, CanvasOp::DrawBitmap);
    EXPECT_EQ(calls[i + 1].Area, (Rect{52, 54, 92, 94}));
    EXPECT_EQ(calls[i + 2].Op, CanvasOp::PopLayer);
}

TEST(Chrome, NameAndVersionAreOneBlockCentredOnTheTile) {
    Chrome chrome(Dark);
    RecordingCanvas canvas;
    canvas.Measurer = FixedMeasure;
    auto state = Sidebar();
    state->ProductName = L"A product name far wider than its box";
    Draw(chrome, *state, canvas);
    // 20 + 2 + 20 = 42 high on a 40-px tile: the block starts 1 px above it.
    const auto name = canvas.TextCall(state->ProductName);
    ASSERT_TRUE(name);
    EXPECT_EQ(name->Area, (Rect{104, 53, 264, 73}));
    EXPECT_TRUE(name->Style->Ellipsis);  // cut with the ellipsis sign at x 264
    EXPECT_FALSE(name->Style->Wrap);
    EXPECT_EQ(name->Style->Size, 15);
    EXPECT_EQ(name->Style->Color, Dark.Text);
    const auto version = canvas.TextCall(L"версия 1.0");
    ASSERT_TRUE(version);
    EXPECT_EQ(version->Area, (Rect{104, 75, 304, 95}));
    EXPECT_FALSE(version->Style->Ellipsis);
    EXPECT_EQ(version->Style->Color, Dark.TextMuted);
}

TEST(Chrome, StepRailShowsCompletedActiveAndPendingSteps) {
    Chrome chrome(Dark);
    RecordingCanvas canvas;
    Draw(chrome, *Sidebar(2), canvas);
    const auto rings = canvas.Of(CanvasOp::StrokeCircle);
    const auto discs = canvas.Of(CanvasOp::FillCircle);
    ASSERT_EQ(rings.size(), 3u);
    ASSERT_EQ(discs.size(), 1u);
    // Rows 42 apart from y 143, circles centred 12 px in.
    EXPECT_EQ(rings[0].Area, (Rect{52, 143, 76, 167}));
    EXPECT_EQ(rings[0].Color, Dark.Accent);
    EXPECT_EQ(rings[0].Width, 1);
    EXPECT_EQ(discs[0].Area, (Rect{52, 185, 76, 209}));
    EXPECT_EQ(discs[0].Color, Dark.Accent);
    EXPECT_EQ(rings[1].Area, (Rect{52, 227, 76, 251}));
    EXPECT_EQ(rings[1].Color, Dark.StrongBorder);
    EXPECT_EQ(rings[2].Area, (Rect{52, 269, 76, 293}));

    const auto checks = canvas.Of(CanvasOp::DrawPath);
    const auto check =
        std::find_if(checks.begin(), checks.end(), [](const CanvasCall& c) { return c.Text == Ui::Icons::CheckMark; });
    ASSERT_NE(check, checks.end());
    EXPECT_EQ(check->Area, (Rect{58.5f, 150.5f, 69.5f, 159.5f}));
    EXPECT_EQ(check->Width, 1.8f);
    EXPECT_EQ(check->Color, Dark.Accent);

    EXPECT_FALSE(canvas.TextCall(L"1"));  // a completed step shows its mark, not its number
    const auto active = canvas.TextCall(L"2");
    ASSERT_TRUE(active);
    EXPECT_EQ(active->Style->Color, Dark.OnAccent);
    EXPECT_EQ(active->Style->Weight, 600u);
    EXPECT_EQ(active->Style->Size, 11.5f);
    EXPECT_EQ(active->Area.Left, 52);
    EXPECT_EQ(active->Area.Right, 76);
    for (const wchar_t* pending : {L"3", L"4"}) {
        const auto number = canvas.TextCall(pending);
        ASSERT_TRUE(number);
        EXPECT_EQ(number->Style->Color, Dark.TextMuted);
    }

    struct TitleCase {
        const wchar_t* title;
        float rowTop;
        unsigned weight;
        std::uint32_t color;
    };
    for (const TitleCase& c :
         {TitleCase{L"Начало", 143, 400, Dark.TextSecondary}, TitleCase{L"Параметры", 185, 600, Dark.Text},
          TitleCase{L"Установка", 227, 400, Dark.TextMuted}, TitleCase{L"Готово", 269, 400, Dark.TextMuted}}) {
        const auto title = canvas.TextCall(c.title);
        ASSERT_TRUE(title);
        EXPECT_EQ(title->Area.Left, 88);
        EXPECT_EQ(title->Area.Right, 264);
        EXPECT_FLOAT_EQ((title->Area.Top + title->Area.Bottom) / 2, c.rowTop + 12);
        EXPECT_EQ(title->Style->Size, 13);
        EXPECT_EQ(title->Style->Weight, c.weight);
        EXPECT_EQ(title->Style->Color, c.color);
    }
}

TEST(Chrome, FooterSitsOnTheBottomEdgeWithThePublisherAbove) {
    Chrome chrome(Dark);
    RecordingCanvas canvas;
    canvas.Measurer = FixedMeasure;
    auto state = Sidebar();
    Draw(chrome, *state, canvas);
    const auto credit = canvas.TextCall(L"создано в Ravenquill");
    ASSERT_TRUE(credit);
    EXPECT_EQ(credit->Area, (Rect{52, 510, 264, 530}));
    EXPECT_EQ(credit->Style->Color, Dark.TextMuted);
    const auto publisher = canvas.TextCall(L"Raven");
    ASSERT_TRUE(publisher);
    EXPECT_EQ(publisher->Area, (Rect{52, 487, 264, 507}));
    EXPECT_EQ(publisher->Style->Color, Dark.TextSecondary);

    state->Publisher.clear();
    Draw(chrome, *state, canvas);
    EXPECT_TRUE(canvas.TextCall(L"создано в Ravenquill"));
    // Monogram, name, version, four numbers, four titles and the credit: no publisher line.
    EXPECT_EQ(canvas.Of(CanvasOp::DrawText).size(), 12u);
}

TEST(Chrome, CaptionHoverFillsItsButtonAndBrightensItsGlyph) {
    struct Case {
        int hover;
        std::optional<Rect> filled;
        std::uint32_t fill, minimizeGlyph, closeGlyph;
    };
    const Case cases[] = {
        {0, std::nullopt, 0, Dark.TextSecondary, Dark.TextSecondary},
        {1, Chrome::MinimizeButtonRect, Dark.Hover, Dark.Text, Dark.TextSecondary},
        {2, Chrome::CloseButtonRect, 0xFFC42B1C, Dark.TextSecondary, 0xFFFFFFFF},
    };
    for (const Case& c : cases) {
        Chrome chrome(Dark);
        RecordingCanvas canvas;
        auto state = Sidebar();
        state->CaptionHover = c.hover;
        const auto calls = Draw(chrome, *state, canvas);
        const CanvasCall* minimizeFill = FindFill(calls, CanvasOp::FillRect, Chrome::MinimizeButtonRect);
        const CanvasCall* closeFill = FindFill(calls, CanvasOp::FillRect, Chrome::CloseButtonRect);
        EXPECT_EQ(minimizeFill != nullptr, c.hover == 1) << c.hover;
        EXPECT_EQ(closeFill != nullptr, c.hover == 2) << c.hover;
        if (c.filled) {
            EXPECT_EQ((c.hover == 1 ? minimizeFill : closeFill)->Color, c.fill);
        }

        const auto paths = canvas.Of(CanvasOp::DrawPath);
        const auto glyph = [&](std::wstring_view path) {
            return *std::find_if(paths.begin(), paths.end(), [&](const CanvasCall& p) { return p.Text == path; });
        };
        const CanvasCall minimize = glyph(Ui::Icons::Minimize);
        EXPECT_EQ(minimize.Area, (Rect{842, 41.5f, 852, 42.5f}));
        EXPECT_EQ(minimize.Width, 1.2f);
        EXPECT_EQ(minimize.Color, c.minimizeGlyph) << c.hover;
        const CanvasCall close = glyph(Ui::Icons::Close);
        EXPECT_EQ(close.Area, (Rect{888.5f, 37.5f, 897.5f, 46.5f}));
        EXPECT_EQ(close.Color, c.closeGlyph) << c.hover;
    }
}

// The dialog's layout with every text 20 px high, wrapped ones 40.
struct DialogFixture : ::testing::Test {
    RecordingCanvas canvas;
    Ui::Input input;
    DialogFixture() { canvas.Measurer = FixedMeasure; }

    const CanvasCall& Box() {
        for (const CanvasCall& c : canvas.Calls)
            if (c.Op == CanvasOp::FillRoundedRect && c.Area.Left == 250) return c;
        throw std::runtime_error("no dialog box");
    }
    std::vector<CanvasCall> Buttons() {
        std::vector<CanvasCall> buttons;
        for (const CanvasCall& c : canvas.Calls)
            if (c.Op == CanvasOp::FillRoundedRect && c.Radius == 6) buttons.push_back(c);
        return buttons;
    }
};

TEST_F(DialogFixture, WithoutItemsIsTitleMessageAndButtonsCentredInTheCard) {
    Dialog dialog(L"Заголовок", L"Сообщение", L"Да", L"Нет");
    Chrome::DrawDialog(canvas, input, Dark, dialog);
    ASSERT_EQ(canvas.Calls[0].Op, CanvasOp::FillRect);
    EXPECT_EQ(canvas.Calls[0].Area, Chrome::CardRect);
    EXPECT_EQ(canvas.Calls[0].Color, Dark.Scrim);

    // th = mh = 40: H = 24 + 40 + 10 + 40 + 80 = 194; T = floor(24 + (532 − 194) / 2) = 193.
    EXPECT_EQ(Box().Area, (Rect{250, 193, 690, 387}));
    EXPECT_EQ(Box().Radius, 8);
    EXPECT_EQ(Box().Color, Dark.Background);
    const auto outline = canvas.Of(CanvasOp::StrokeRoundedRect)[0];
    EXPECT_EQ(outline.Area, (Rect{250, 193, 690, 387}));
    EXPECT_EQ(outline.Color, Dark.StrongBorder);
    EXPECT_EQ(canvas.TextCall(L"Заголовок")->Area, (Rect{274, 217, 666, 257}));
    EXPECT_EQ(canvas.TextCall(L"Сообщение")->Area, (Rect{274, 267, 666, 307}));
    EXPECT_TRUE(canvas.Of(CanvasOp::PushAxisAlignedClip).empty());

    // Both labels are narrow: 132 and 112 px, right-aligned at 666 with 10 px between.
    const auto buttons = Buttons();
    ASSERT_EQ(buttons.size(), 2u);
    EXPECT_EQ(buttons[0].Area, (Rect{534, 327, 666, 363}));
    EXPECT_EQ(buttons[0].Color, Dark.Accent);
    EXPECT_EQ(buttons[1].Area, (Rect{412, 327, 524, 363}));
}

TEST_F(DialogFixture, OddHeightsStartTheBoxOnAWholePixel) {
    canvas.Measurer = [](std::wstring_view, const Ui::TextStyle& style, float) {
        return std::pair<float, float>{10, style.Wrap ? 20.5f : 20};  // 20.5 rounds to 20, halves to even
    };
    Dialog dialog(L"t", L"m", L"p", L"");
    Chrome::DrawDialog(canvas, input, Dark, dialog);
    // H = 24 + 20 + 10 + 20 + 80 = 154 → T = floor(24 + 189) = 213.
    EXPECT_EQ(Box().Area, (Rect{250, 213, 690, 367}));
    canvas.Clear();
    canvas.Measurer = [](std::wstring_view, const Ui::TextStyle& style, float) {
        return std::pair<float, float>{10, style.Wrap ? 21 : 20};
    };
    Chrome::DrawDialog(canvas, input, Dark, dialog);
    // H = 156 → T = floor(24 + 188) = 212.
    EXPECT_EQ(Box().Area.Top, 212);
}

TEST_F(DialogFixture, TenItemsFillAListBoxOf132PixelsThatShowsTheFirstRows) {
    Dialog dialog(L"Заголовок", L"Сообщение", L"Закрыть и продолжить", L"Отмена");
    for (int i = 0; i < 10; ++i) dialog.Items.push_back(L"Процесс " + std::to_wstring(i));
    Chrome::DrawDialog(canvas, input, Dark, dialog);
    // H = 24 + 40 + 10 + 40 + 14 + 132 + 80 = 340; T = floor(24 + 96) = 120.
    EXPECT_EQ(Box().Area, (Rect{250, 120, 690, 460}));
    const auto clips = canvas.Of(CanvasOp::PushAxisAlignedClip);
    ASSERT_EQ(clips.size(), 1u);
    const Rect list{274, 248, 666, 380};
    EXPECT_EQ(clips[0].Area, list);
    const CanvasCall* panel = nullptr;
    for (const CanvasCall& c : canvas.Calls)
        if (c.Op == CanvasOp::FillRoundedRect && c.Area == list) panel = &c;
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->Color, Dark.Panel);
    EXPECT_EQ(panel->Radius, 8);
    for (int i = 0; i < 10; ++i) {
        const auto row = canvas.TextCall(L"Процесс " + std::to_wstring(i));
        ASSERT_TRUE(row);
        const float top = 258 + 21.0f * static_cast<float>(i);
        EXPECT_EQ(row->Area, (Rect{288, top, 652, top + 18}));
        EXPECT_TRUE(row->Style->Ellipsis);
    }
    EXPECT_EQ(canvas.Of(CanvasOp::PopAxisAlignedClip).size(), 1u);
    // "Закрыть и продолжить" is 200 px wide: the primary button is 244.
    const auto buttons = Buttons();
    ASSERT_EQ(buttons.size(), 2u);
    EXPECT_EQ(buttons[0].Area, (Rect{422, 400, 666, 436}));
    EXPECT_EQ(buttons[1].Area, (Rect{300, 400, 412, 436}));
}

TEST_F(DialogFixture, ListHeightGrowsWithItemsUpTo132) {
    for (const auto& [items, height] : std::vector<std::pair<int, float>>{{1, 41}, {3, 83}, {5, 125}, {6, 132}}) {
        canvas.Clear();
        Dialog dialog(L"t", L"m", L"p", L"");
        dialog.Items.assign(static_cast<size_t>(items), L"x");
        Chrome::DrawDialog(canvas, input, Dark, dialog);
        EXPECT_EQ(canvas.Of(CanvasOp::PushAxisAlignedClip)[0].Area.Height(), height) << items;
    }
}

TEST_F(DialogFixture, AnEmptySecondaryTextLeavesOnlyThePrimaryButton) {
    Dialog dialog(L"t", L"m", L"Понятно", L"");
    Chrome::DrawDialog(canvas, input, Dark, dialog);
    const auto buttons = Buttons();
    ASSERT_EQ(buttons.size(), 1u);
    EXPECT_EQ(buttons[0].Area.Right, 666);
    EXPECT_EQ(buttons[0].Area.Width(), 132);
}

TEST_F(DialogFixture, ButtonWidthsFollowTheirLabelsPastTheMinimum) {
    struct Case {
        std::wstring primary, secondary;
        float primaryWidth, secondaryWidth;
    };
    const Case cases[] = {
        {L"12345678", L"1234567", 132, 112},    // 80 + 44 < 132, 70 + 36 < 112
        {L"123456789", L"12345678", 134, 116},  // 90 + 44, 80 + 36
        {L"1234567890123", L"123456789", 174, 126},
    };
    for (const Case& c : cases) {
        canvas.Clear();
        Dialog dialog(L"t", L"m", c.primary, c.secondary);
        Chrome::DrawDialog(canvas, input, Dark, dialog);
        const auto buttons = Buttons();
        ASSERT_EQ(buttons.size(), 2u);
        EXPECT_EQ(buttons[0].Area.Width(), c.primaryWidth);
        EXPECT_EQ(buttons[1].Area.Width(), c.secondaryWidth);
        EXPECT_EQ(buttons[1].Area.Right, 666 - c.primaryWidth - 10);
    }
}

TEST_F(DialogFixture, AClickRunsTheActionOfTheButtonUnderThePointer) {
    int primary = 0;
    int secondary = 0;
    Dialog dialog(L"Заголовок", L"Сообщение", L"Да", L"Нет");
    dialog.OnPrimary = [&] { ++primary; };
    dialog.OnSecondary = [&] { ++secondary; };
    struct Case {
        float x, y;
        bool clicked;
        int primary, secondary;
    };
    // Primary (534, 327, 666, 363), secondary (412, 327, 524, 363).
    const Case cases[] = {
        {600, 340, false, 0, 0},                                                  // hover only
        {600, 340, true, 1, 0},  {450, 340, true, 0, 1}, {529, 340, true, 0, 0},  // the gap between them
        {666, 340, true, 0, 0},                                                   // the right edge is outside
        {534, 327, true, 1, 0},                                                   // the top-left corner is inside
    };
    for (const Case& c : cases) {
        primary = secondary = 0;
        canvas.Clear();
        input = Testing::PointerAt(c.x, c.y, {.Clicked = c.clicked});
        Chrome::DrawDialog(canvas, input, Dark, dialog);
        EXPECT_EQ(primary, c.primary) << c.x << "," << c.y;
        EXPECT_EQ(secondary, c.secondary) << c.x << "," << c.y;
    }
}

}  // namespace
}  // namespace Ravenquill::Shell
