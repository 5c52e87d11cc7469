#include "ui/canvas.h"

#include <gtest/gtest.h>

#include "ui/canvas_recorder.h"

namespace Ravenquill::Ui {
namespace {

using Testing::CanvasOp;
using Testing::RecordingCanvas;

TEST(Canvas, DrawTextVCenterCentresTheMeasuredHeightAtTheRectWidth) {
    struct Case {
        Rect rect;
        float measuredHeight;
        Rect drawn;
    } cases[] = {
        {{10, 20, 110, 56}, 18, {10, 29, 110, 47}},
        {{0, 0, 50, 10}, 20, {0, -5, 50, 15}},       // taller than the box: overflows both ways
        {{0, 0, 50, 19}, 18, {0, 0.5f, 50, 18.5f}},  // no rounding of the top
    };
    for (const Case& c : cases) {
        RecordingCanvas canvas;
        float measuredAt = -1;
        canvas.Measurer = [&](std::wstring_view, const TextStyle&, float maxWidth) {
            measuredAt = maxWidth;
            return std::pair<float, float>{40, c.measuredHeight};
        };
        const TextStyle style(L"Segoe UI Variable Text", 13.5f, 600, 0xFFFFFFFF, false, 0, false, TextAlign::Center);
        canvas.DrawTextVCenter(L"Далее", c.rect, style);
        EXPECT_EQ(measuredAt, c.rect.Width());
        ASSERT_EQ(canvas.Calls.size(), 1u);
        EXPECT_EQ(canvas.Calls[0].Op, CanvasOp::DrawText);
        EXPECT_EQ(canvas.Calls[0].Area, c.drawn);
        EXPECT_EQ(canvas.Calls[0].Style, style);
    }
}

TEST(Canvas, DrawTextVCenterOfEmptyTextMeasuresAndDrawsNothing) {
    RecordingCanvas canvas;
    bool measured = false;
    canvas.Measurer = [&](std::wstring_view, const TextStyle&, float) {
        measured = true;
        return std::pair<float, float>{1, 1};
    };
    canvas.DrawTextVCenter(L"", Rect{0, 0, 10, 10}, TextStyle(L"Cascadia Mono", 13, 400, 0));
    EXPECT_FALSE(measured);
    EXPECT_TRUE(canvas.Calls.empty());
}

}  // namespace
}  // namespace Ravenquill::Ui
