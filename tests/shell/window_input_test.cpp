#include "shell/window_input.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace Ravenquill::Shell::WindowInput {
namespace {

TEST(WindowInput, CaptionHitTestUsesHalfOpenRectangles) {
    struct Case {
        float x, y;
        int button;
    };
    // Minimise (824, 24, 870, 60), close (870, 24, 916, 60).
    const Case cases[] = {
        {824, 24, MinimizeButton},     {869.9f, 59.9f, MinimizeButton}, {870, 24, CloseButton},
        {915.9f, 40, CloseButton},     {916, 40, NoCaptionButton},      {880, 60, NoCaptionButton},
        {823.9f, 40, NoCaptionButton}, {880, 23.9f, NoCaptionButton},   {-1, -1, NoCaptionButton},
        {400, 300, NoCaptionButton},
    };
    for (const Case& c : cases) EXPECT_EQ(HitTestCaption(c.x, c.y), c.button) << c.x << "," << c.y;
}

TEST(WindowInput, DeviceCoordinatesBecomeLogicalAtEachDpi) {
    struct Case {
        std::uint32_t dpi;
        float scale;
        int deviceX, deviceY;
        float x, y;
    };
    const Case cases[] = {
        {96, 1, 300, 150, 300, 150}, {120, 1.25f, 300, 150, 240, 120}, {144, 1.5f, 300, 150, 200, 100},
        {192, 2, 300, 150, 150, 75}, {0, 1, 300, 150, 300, 150},  // a DPI that reads 0 counts as 96
        {144, 1.5f, -3, 0, -2, 0},
    };
    for (const Case& c : cases) {
        const float scale = ScaleForDpi(c.dpi);
        EXPECT_EQ(scale, c.scale) << c.dpi;
        EXPECT_FLOAT_EQ(ToLogical(c.deviceX, scale), c.x) << c.dpi;
        EXPECT_FLOAT_EQ(ToLogical(c.deviceY, scale), c.y) << c.dpi;
    }
}

TEST(WindowInput, MouseCoordinatesAreSignedSixteenBitWords) {
    struct Case {
        std::intptr_t lParam;
        int x, y;
    };
    const Case cases[] = {
        {0x0096012C, 300, 150},
        {0xFFFEFFFF, -1, -2},  // left of and above the window while the button is held
        {0x7FFF8000, -32768, 32767},
    };
    for (const Case& c : cases) EXPECT_EQ(PointFromLParam(c.lParam), std::make_pair(c.x, c.y)) << std::hex << c.lParam;
}

TEST(WindowInput, WheelUnitsAreNotchesOf120) {
    struct Case {
        std::uintptr_t wParam;
        float notches;
    };
    const Case cases[] = {
        {std::uintptr_t{120} << 16, 1},
        {std::uintptr_t{0xFF88} << 16, -1},            // −120
        {(std::uintptr_t{30} << 16) | 0x0008, 0.25f},  // a fine-grained wheel; the low word holds keys
        {std::uintptr_t{240} << 16, 2},
    };
    for (const Case& c : cases) EXPECT_EQ(WheelNotches(c.wParam), c.notches);
}

TEST(WindowInput, TimerRunsExactlyWhileAnAnimatedPageShowsNoDialog) {
    struct Case {
        bool animated, dialog, running;
        TimerChange change;
    };
    const Case cases[] = {
        {true, false, false, TimerChange::Start}, {true, false, true, TimerChange::None},
        {true, true, true, TimerChange::Stop},    {true, true, false, TimerChange::None},
        {false, false, true, TimerChange::Stop},  {false, false, false, TimerChange::None},
    };
    for (const Case& c : cases) EXPECT_EQ(DecideTimer(c.animated, c.dialog, c.running), c.change);
}

// One recorded frame: the input the page saw and the caption hover.
struct Seen {
    float x, y;
    bool down, clicked;
    int hover;
    bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Seen& s) {
    return out << "{" << s.x << "," << s.y << " down " << s.down << " clicked " << s.clicked << " hover " << s.hover
               << "}";
}

// A page with one button at (744, 488, 876, 524) that counts its clicks.
struct PointerFixture : ::testing::Test {
    Pointer pointer;
    std::vector<Seen> frames;
    int clicks = 0;
    Pointer::Frame frame = [this] {
        Ui::Input& in = pointer.Input;
        in.Hot = false;
        frames.push_back({in.X, in.Y, in.Down, in.Clicked, pointer.CaptionHover});
        if (in.Hit(Ui::Rect{744, 488, 876, 524})) {
            in.Hot = true;
            if (in.Clicked) ++clicks;
        }
    };
};

TEST_F(PointerFixture, PressAndReleaseOnAButtonDrawPressedThenClickThenIdle) {
    pointer.Move(800, 500, frame);
    EXPECT_EQ(pointer.Press(800, 500, frame), PointerOutcome::None);
    EXPECT_EQ(pointer.Release(800, 500, frame), PointerOutcome::None);
    EXPECT_EQ(frames, (std::vector<Seen>{{800, 500, false, false, 0},
                                         {800, 500, false, false, 0},  // where the press lands
                                         {800, 500, true, false, 0},   // pressed look
                                         {800, 500, true, true, 0},    // the click
                                         {800, 500, false, false, 0}}));
    EXPECT_EQ(clicks, 1);
}

TEST_F(PointerFixture, AReleaseElsewhereClicksWhatIsUnderItAndAPressOnNothingDrags) {
    EXPECT_EQ(pointer.Press(400, 300, frame), PointerOutcome::Drag);
    EXPECT_EQ(frames.size(), 1u);  // no pressed look
    EXPECT_FALSE(pointer.Input.Down);

    frames.clear();
    pointer.Press(400, 300, frame);
    EXPECT_EQ(pointer.Release(760, 510, frame), PointerOutcome::None);  // released over the button
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(frames.back(), (Seen{760, 510, false, false, 0}));
}

TEST_F(PointerFixture, ADoubleClickGivesTwoClicksTheSecondWithoutThePressedLook) {
    // The second press arrives as a double-click message, which the window leaves alone.
    pointer.Press(800, 500, frame);
    pointer.Release(800, 500, frame);
    frames.clear();
    pointer.Release(800, 500, frame);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(frames, (std::vector<Seen>{{800, 500, false, true, 0}, {800, 500, false, false, 0}}));
}

TEST_F(PointerFixture, CaptionButtonsCloseOrMinimiseOnRelease) {
    pointer.Move(880, 40, frame);
    EXPECT_EQ(frames.back().hover, CloseButton);
    EXPECT_EQ(pointer.Press(880, 40, frame), PointerOutcome::None);  // no drag from a caption button
    EXPECT_TRUE(pointer.Input.Down);
    frames.clear();
    EXPECT_EQ(pointer.Release(880, 40, frame), PointerOutcome::Close);
    EXPECT_TRUE(frames.empty());

    // Released over the minimise button after a press elsewhere: minimised, no frame, nothing held.
    pointer.Press(800, 500, frame);
    frames.clear();
    EXPECT_EQ(pointer.Release(830, 40, frame), PointerOutcome::Minimize);
    EXPECT_TRUE(frames.empty());
    EXPECT_FALSE(pointer.Input.Down);
    EXPECT_EQ(clicks, 0);

    // A press that began elsewhere still closes over the close button.
    pointer.Press(800, 500, frame);
    EXPECT_EQ(pointer.Release(900, 50, frame), PointerOutcome::Close);
}

TEST_F(PointerFixture, LeavingForgetsThePointerTheHoverAndAHeldButton) {
    pointer.Move(830, 40, frame);
    EXPECT_EQ(frames.back().hover, MinimizeButton);
    pointer.Press(800, 500, frame);
    pointer.Leave(frame);
    EXPECT_EQ(frames.back(), (Seen{-1, -1, false, false, 0}));
    EXPECT_FALSE(pointer.Input.Hot);
}

TEST_F(PointerFixture, AWheelTurnLastsOneFrame) {
    float seen = 0;
    pointer.Wheel(0.25f, [&] { seen = pointer.Input.Wheel; });
    EXPECT_EQ(seen, 0.25f);
    EXPECT_EQ(pointer.Input.Wheel, 0);
    pointer.Wheel(-2, [&] { seen = pointer.Input.Wheel; });
    EXPECT_EQ(seen, -2);
}

TEST(WindowInput, AFrameAskedForDuringAFrameIsDrawnOnceAfterIt) {
    FrameGate gate;
    std::vector<int> order;
    int depth = 0;
    int maxDepth = 0;
    int outer = 0;
    const std::function<void()> frame = [&] {
        maxDepth = std::max(maxDepth, ++depth);
        order.push_back(outer);
        if (outer++ == 0) {
            // A modal loop inside the click's frame dispatches three requests.
            for (int i = 0; i < 3; ++i) gate.Draw(frame);
            EXPECT_TRUE(gate.Drawing());
        }
        --depth;
    };
    gate.Draw(frame);
    EXPECT_EQ(order, (std::vector<int>{0, 1}));
    EXPECT_EQ(maxDepth, 1);
    EXPECT_FALSE(gate.Drawing());

    // A frame that fails leaves the gate open for the next one, with nothing pending.
    EXPECT_THROW(gate.Draw([&] {
        gate.Draw([] {});
        throw std::runtime_error("lost");
    }),
                 std::runtime_error);
    int later = 0;
    gate.Draw([&] { ++later; });
    EXPECT_EQ(later, 1);
}

TEST(WindowInput, ALostDeviceIsMadeAgainAndTheFrameDrawnOnceMore) {
    struct Case {
        int lostDraws;  // how many draws in a row report the loss
        bool drawn;
        int draws, recreations;
    };
    const Case cases[] = {{0, true, 1, 0}, {1, true, 2, 1}, {2, true, 3, 2}, {3, false, 3, 2}, {9, false, 3, 2}};
    for (const Case& c : cases) {
        int draws = 0;
        int recreations = 0;
        const bool drawn = DrawRecovering([&] { return ++draws <= c.lostDraws; }, [&] { ++recreations; });
        EXPECT_EQ(drawn, c.drawn) << c.lostDraws;
        EXPECT_EQ(draws, c.draws) << c.lostDraws;
        EXPECT_EQ(recreations, c.recreations) << c.lostDraws;
    }
}

}  // namespace
}  // namespace Ravenquill::Shell::WindowInput
