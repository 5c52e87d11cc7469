#include "shell/window_input.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
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

TEST(WindowInput, TimerRunsExactlyWhileAnAnimatedPageShowsNoDialogInAWindowThatIsNotMinimised) {
    struct Case {
        bool animated, dialog, minimised, running;
        TimerChange change;
    };
    const Case cases[] = {
        {true, false, false, false, TimerChange::Start}, {true, false, false, true, TimerChange::None},
        {true, true, false, true, TimerChange::Stop},    {true, true, false, false, TimerChange::None},
        {false, false, false, true, TimerChange::Stop},  {false, false, false, false, TimerChange::None},
        {true, false, true, true, TimerChange::Stop},   // minimised during a copy
        {true, false, true, false, TimerChange::None},  //
        {false, true, true, true, TimerChange::Stop},   //
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecideTimer(c.animated, c.dialog, c.minimised, c.running), c.change)
            << c.animated << c.dialog << c.minimised << c.running;
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
        if (in.Track(Ui::Rect{744, 488, 876, 524}).Clicked) ++clicks;
    };
};

TEST_F(PointerFixture, PressAndReleaseOnAButtonDrawPressedThenClickThenIdle) {
    pointer.Move(800, 500, frame);
    EXPECT_EQ(pointer.Press(800, 500, 0, frame), PointerOutcome::None);
    EXPECT_EQ(pointer.Release(800, 500, 0, frame), PointerOutcome::None);
    EXPECT_EQ(frames, (std::vector<Seen>{{800, 500, false, false, 0},
                                         {800, 500, false, false, 0},  // where the press lands
                                         {800, 500, true, false, 0},   // pressed look
                                         {800, 500, true, true, 0},    // the click
                                         {800, 500, false, false, 0}}));
    EXPECT_EQ(clicks, 1);
}

TEST_F(PointerFixture, AReleaseElsewhereClicksWhatIsUnderItAndAPressOnNothingDrags) {
    EXPECT_EQ(pointer.Press(400, 300, 0, frame), PointerOutcome::Drag);
    EXPECT_EQ(frames.size(), 1u);  // no pressed look
    EXPECT_FALSE(pointer.Input.Down);

    frames.clear();
    pointer.Press(400, 300, 0, frame);
    EXPECT_EQ(pointer.Release(760, 510, 0, frame), PointerOutcome::None);  // released over the button
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(frames.back(), (Seen{760, 510, false, false, 0}));
}

TEST_F(PointerFixture, ADoubleClickGivesTwoClicksTheSecondWithoutThePressedLook) {
    // The second press arrives as a double-click message, which the window leaves alone.
    pointer.Press(800, 500, 0, frame);
    pointer.Release(800, 500, 0, frame);
    frames.clear();
    pointer.Release(800, 500, 0, frame);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(frames, (std::vector<Seen>{{800, 500, false, true, 0}, {800, 500, false, false, 0}}));
}

TEST_F(PointerFixture, CaptionButtonsCloseOrMinimiseOnRelease) {
    pointer.Move(880, 40, frame);
    EXPECT_EQ(frames.back().hover, CloseButton);
    EXPECT_EQ(pointer.Press(880, 40, 0, frame), PointerOutcome::None);  // no drag from a caption button
    EXPECT_TRUE(pointer.Input.Down);
    frames.clear();
    EXPECT_EQ(pointer.Release(880, 40, 0, frame), PointerOutcome::Close);
    EXPECT_TRUE(frames.empty());

    // Released over the minimise button after a press elsewhere: minimised, no frame, nothing held.
    pointer.Press(800, 500, 0, frame);
    frames.clear();
    EXPECT_EQ(pointer.Release(830, 40, 0, frame), PointerOutcome::Minimize);
    EXPECT_TRUE(frames.empty());
    EXPECT_FALSE(pointer.Input.Down);
    EXPECT_EQ(clicks, 0);

    // A press that began elsewhere still closes over the close button.
    pointer.Press(800, 500, 0, frame);
    EXPECT_EQ(pointer.Release(900, 50, 0, frame), PointerOutcome::Close);
}

TEST_F(PointerFixture, LeavingForgetsThePointerTheHoverAndAHeldButton) {
    pointer.Move(830, 40, frame);
    EXPECT_EQ(frames.back().hover, MinimizeButton);
    pointer.Press(800, 500, 0, frame);
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

TEST(WindowInput, RedrawRequestsPostOnceAndAreDrawnByATimerTick) {
    enum class Op { Request, PostFailed, WokenUp, TimerFired, Frame, AnimationOn, AnimationOff, Minimise, Restore };
    struct Step {
        Op op;
        bool result;  // Request: post; WokenUp, AnimationOff: set the request timer; TimerFired: draw
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"a still page: one message, then a tick draws",
         {{Op::Request, true},
          {Op::Request, false},  // a flood of requests posts nothing more
          {Op::WokenUp, true},
          {Op::Request, false},
          {Op::TimerFired, true},
          {Op::Frame, false},
          {Op::Request, true}}},  // asked for during that frame: the next message, the next tick
        {"a frame drawn for input in between answers the request",
         {{Op::Request, true}, {Op::WokenUp, true}, {Op::Frame, false}, {Op::TimerFired, false}}},
        {"a message that could not be posted is posted by the next request",
         {{Op::Request, true}, {Op::PostFailed, false}, {Op::Request, true}}},
        {"an animated page: its ticks draw, nothing is posted",
         {{Op::AnimationOn, false},
          {Op::Request, false},
          {Op::Frame, false},
          {Op::Request, false},
          {Op::Frame, false},
          {Op::AnimationOff, false}}},  // every request had its frame
        {"the animation stops with a request still owed a frame",
         {{Op::AnimationOn, false}, {Op::Request, false}, {Op::AnimationOff, true}, {Op::TimerFired, true}}},
        {"a message that finds the animation running leaves it to the tick",
         {{Op::Request, true},
          {Op::AnimationOn, false},
          {Op::WokenUp, false},
          {Op::Frame, false},
          {Op::AnimationOff, false},
          {Op::Request, true}}},
        {"minimised: requests are remembered, not drawn, until the frame of the restore",
         {{Op::Minimise, false},
          {Op::Request, false},
          {Op::Request, false},
          {Op::TimerFired, false},
          {Op::Restore, false},
          {Op::Frame, false},
          {Op::Request, true}}},
        {"minimised while animating: the timer stops and sets no request timer",
         {{Op::AnimationOn, false},
          {Op::Request, false},
          {Op::Minimise, false},
          {Op::AnimationOff, false},
          {Op::Request, false},
          {Op::Restore, false},
          {Op::Frame, false},
          {Op::AnimationOn, false}}},
        {"a wake-up on its way when the window is minimised sets no timer",
         {{Op::Request, true},
          {Op::Minimise, false},
          {Op::WokenUp, false},
          {Op::Request, false},
          {Op::Restore, false},
          {Op::Frame, false},
          {Op::Request, true}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RedrawRequests requests;
        int index = 0;
        for (const Step& step : c.steps) {
            SCOPED_TRACE(index++);
            switch (step.op) {
                case Op::Request:
                    EXPECT_EQ(requests.Request(), step.result);
                    break;
                case Op::PostFailed:
                    requests.PostFailed();
                    break;
                case Op::WokenUp:
                    EXPECT_EQ(requests.WokenUp(), step.result);
                    break;
                case Op::TimerFired:
                    EXPECT_EQ(requests.TimerFired(), step.result);
                    break;
                case Op::Frame:
                    requests.FrameStarting();
                    break;
                case Op::AnimationOn:
                    EXPECT_EQ(requests.AnimationChanged(true), step.result);
                    break;
                case Op::AnimationOff:
                    EXPECT_EQ(requests.AnimationChanged(false), step.result);
                    break;
                case Op::Minimise:
                    requests.Minimised(true);
                    break;
                case Op::Restore:
                    requests.Minimised(false);
                    break;
            }
        }
    }
}

TEST(WindowInput, ALostDeviceIsMadeAgainAfterAPauseUntilItComesBackOrTheTriesRunOut) {
    constexpr int Limit = static_cast<int>(DeviceRecoveryPauses.size()) + 1;
    struct Case {
        int lostDraws;  // how many draws in a row report the loss
        bool drawn;
        int draws;  // the draws made; one recreation and one pause before each but the first
    };
    const Case cases[] = {
        {0, true, 1},               // nothing lost
        {1, true, 2},               // back on the second try
        {4, true, 5},               // on the fifth
        {Limit - 1, true, Limit},   // on the last
        {Limit, false, Limit},      // gives up after the limit
        {Limit + 5, false, Limit},  //
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lostDraws);
        int draws = 0;
        int recreations = 0;
        std::vector<std::chrono::milliseconds> pauses;
        const bool drawn = DrawRecovering(
            [&] {
                EXPECT_EQ(recreations, draws) << "made again before each further draw";
                return ++draws <= c.lostDraws;
            },
            [&] {
                EXPECT_EQ(pauses.size(), static_cast<std::size_t>(recreations + 1)) << "paused before";
                ++recreations;
            },
            [&](std::chrono::milliseconds pause) { pauses.push_back(pause); });
        EXPECT_EQ(drawn, c.drawn);
        EXPECT_EQ(draws, c.draws);
        EXPECT_EQ(recreations, c.draws - 1);
        EXPECT_EQ(pauses, std::vector<std::chrono::milliseconds>(DeviceRecoveryPauses.begin(),
                                                                 DeviceRecoveryPauses.begin() + (c.draws - 1)));
    }
    // Short pauses first, and a few seconds in all before the window gives up.
    EXPECT_LE(DeviceRecoveryPauses.front(), std::chrono::milliseconds(50));
    std::chrono::milliseconds total{0};
    for (const std::chrono::milliseconds pause : DeviceRecoveryPauses) total += pause;
    EXPECT_GE(total, std::chrono::seconds(3));
    EXPECT_LT(total, std::chrono::seconds(5)) << "the window would be reported as not responding";
}

TEST(WindowInput, ASecondClickIsWithinTheDoubleClickTimeAndRectangleOfTheFirst) {
    const DoubleClickZone zone{500, 4, 4};
    struct Case {
        const char* name;
        float x, y;
        std::uint32_t clickMs, pressMs;
        bool second;
    };
    const Case cases[] = {
        {"the same point at once", 800, 500, 1000, 1000, true},
        {"150 ms later", 800, 500, 1000, 1150, true},
        {"at the double-click time", 800, 500, 1000, 1500, true},
        {"past it", 800, 500, 1000, 1501, false},
        {"at the rectangle's edge", 802, 498, 1000, 1100, true},
        {"beside it", 802.5f, 500, 1000, 1100, false},
        {"below it", 800, 502.5f, 1000, 1100, false},
        {"across the tick count's wrap-around", 800, 500, 0xFFFFFF00u, 0x00000010u, true},
        {"a press stamped before the click", 800, 500, 1000, 999, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsSecondClick(zone, 800, 500, c.clickMs, c.x, c.y, c.pressMs), c.second) << c.name;
    EXPECT_TRUE(IsSecondClick({900, 10, 2}, 800, 500, 0, 804, 501, 900)) << "the system's own size and time";
    EXPECT_FALSE(IsSecondClick({900, 10, 2}, 800, 500, 0, 800, 501.5f, 900));
}

TEST_F(PointerFixture, AButtonThatAppearsUnderThePointerTakesNoSecondClickOfADoubleClick) {
    const DoubleClickZone zone{500, 4, 4};
    enum class Second { None, DoubleClickMessage, Press };
    struct Case {
        const char* name;
        bool viewChanged;     // the first click showed another page or dialog
        Second second;        // how the second press arrives
        std::uint32_t after;  // ms after the first click
        float dx;
        int clicks;  // of both (and of a third click 50 ms after the second)
        int third;
    };
    const Case cases[] = {
        {"a double click on a button that changes the page", true, Second::DoubleClickMessage, 120, 0, 1, 1},
        {"two quick clicks", true, Second::Press, 300, 1, 1, 1},
        {"a second click after the double-click time", true, Second::Press, 501, 0, 2, 1},
        {"a second click elsewhere", true, Second::Press, 100, 3, 2, 1},
        {"a double click that changed nothing (a check box)", false, Second::DoubleClickMessage, 120, 0, 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clicks = 0;
        const std::uint32_t t0 = 70'000;
        pointer.Press(800, 500, t0 - 80, frame);
        pointer.Release(800, 500, t0, frame);
        if (c.viewChanged) pointer.ClickChangedView(zone);
        frames.clear();
        const std::uint32_t t1 = t0 + c.after;
        if (c.second == Second::DoubleClickMessage) {
            pointer.SecondPress(800 + c.dx, 500, t1);
        } else {
            EXPECT_EQ(pointer.Press(800 + c.dx, 500, t1, frame), PointerOutcome::None);
        }
        pointer.Release(800 + c.dx, 500, t1 + 60, frame);
        EXPECT_EQ(clicks, c.clicks);
        if (c.clicks == 1) {
            for (const Seen& seen : frames) EXPECT_FALSE(seen.clicked || seen.down) << seen;
        }
        // The rule is spent by the second press: a third click is a click.
        pointer.Press(800 + c.dx, 500, t1 + 110, frame);
        pointer.Release(800 + c.dx, 500, t1 + 150, frame);
        EXPECT_EQ(clicks, c.clicks + c.third);
    }

    // The second half of a double click on nothing clickable starts no drag.
    pointer.Press(400, 300, 0, frame);
    pointer.Release(400, 300, 10, frame);
    pointer.ClickChangedView(zone);
    EXPECT_EQ(pointer.Press(400, 300, 100, frame), PointerOutcome::None);
    EXPECT_FALSE(pointer.Input.Down);
}

TEST_F(PointerFixture, AFrameAskedForDuringAClickFrameDrawsNoSecondClick) {
    // As the window draws: through the gate, and the click spent once a frame has been drawn. The
    // click's frame runs a modal loop that asks for frames (a timer tick, a redraw request).
    FrameGate gate;
    bool asking = true;
    const Pointer::Frame windowFrame = [&] {
        gate.Draw([&] {
            frame();
            if (pointer.Input.Clicked && asking) {
                asking = false;
                for (int i = 0; i < 3; ++i) gate.Draw([&] { frame(); });
            }
            pointer.FrameDrawn();
        });
    };
    pointer.Press(800, 500, 0, windowFrame);
    frames.clear();
    pointer.Release(800, 500, 10, windowFrame);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(frames, (std::vector<Seen>{{800, 500, true, true, 0},
                                         {800, 500, true, false, 0},  // the frame asked for meanwhile
                                         {800, 500, false, false, 0}}));
}

TEST_F(PointerFixture, AWheelNotchLostWithTheDeviceScrollsOnce) {
    struct Case {
        const char* name;
        bool lostBeforeThePage;
    };
    const Case cases[] = {{"lost before the page", true}, {"lost at the end of the frame", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pointer.Move(600, 300, frame);
        float scrolled = 0;
        const auto page = [&] { scrolled += pointer.Input.TakeWheel(Ui::Rect{328, 136, 876, 468}); };
        bool lost = false;
        pointer.Wheel(-1, [&] {
            DrawRecovering(
                [&] {
                    if (lost) {
                        page();
                        return false;
                    }
                    lost = true;
                    if (!c.lostBeforeThePage) page();
                    return true;
                },
                [&] { pointer.DeviceRecreated(); }, [](std::chrono::milliseconds) {});
        });
        EXPECT_EQ(scrolled, -1) << "one notch, never none nor two";
    }
    // Outside the area the notch is not taken: another area of the same frame may take it.
    pointer.Input.X = 100;
    pointer.Input.Wheel = 2;
    pointer.Input.WheelTaken = false;
    EXPECT_EQ(pointer.Input.TakeWheel(Ui::Rect{328, 136, 876, 468}), 0);
    EXPECT_FALSE(pointer.Input.WheelTaken);
}

TEST_F(PointerFixture, AClickLostWithTheDeviceBeforeTheButtonTookItIsDrawnAgainWithIt) {
    struct Case {
        const char* name;
        bool lostBeforeThePage;  // the target failed while binding or clearing: no widget saw the click
        int clicks;
    };
    const Case cases[] = {{"lost before the page", true, 1}, {"lost at the end of the frame", false, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clicks = 0;
        pointer.Press(800, 500, 0, frame);
        bool lost = false;
        pointer.Release(800, 500, 0, [&] {
            if (!pointer.Input.Clicked) return frame();
            // The click frame: its first draw loses the device, before or after the page's button.
            DrawRecovering(
                [&] {
                    if (lost) {
                        frame();
                        return false;
                    }
                    lost = true;
                    if (!c.lostBeforeThePage) frame();
                    return true;
                },
                [&] { pointer.DeviceRecreated(); }, [](std::chrono::milliseconds) {});
        });
        EXPECT_EQ(clicks, c.clicks) << "one click, never none nor two";
        EXPECT_FALSE(pointer.Input.Clicked);
    }
}

}  // namespace
}  // namespace Ravenquill::Shell::WindowInput
