#include <gtest/gtest.h>

#include <limits>

#include "ui/input.h"

namespace Ravenquill::Ui {
namespace {

TEST(Input, HitIsHalfOpen) {
    constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
    const Rect r{10, 10, 20, 20};
    struct Case {
        float X, Y;
        bool Hit;
    };
    const Case cases[] = {
        {10, 10, true},   {19.9f, 19.9f, true}, {15, 15, true},     {20, 15, false},
        {15, 20, false},  {9.99f, 15, false},   {15, 9.99f, false}, {20, 20, false},
        {NaN, 15, false}, {15, NaN, false},     {NaN, NaN, false},
    };
    for (const Case& c : cases) {
        Input input;
        input.X = c.X;
        input.Y = c.Y;
        EXPECT_EQ(input.Hit(r), c.Hit) << c.X << "," << c.Y;
    }
    // Swapped edges are not normalised: such a rectangle contains nothing.
    Input inside;
    inside.X = 15;
    inside.Y = 15;
    EXPECT_FALSE(inside.Hit(Rect{20, 20, 10, 10}));
}

TEST(Input, InertInputHitsNothingOnTheWindow) {
    const Input inert = Input::Inert();
    EXPECT_EQ(inert.X, -1);
    EXPECT_EQ(inert.Y, -1);
    EXPECT_FALSE(inert.Down || inert.Clicked || inert.Hot);
    EXPECT_EQ(inert.Wheel, 0);
    for (const Rect& r : {Rect{0, 0, 940, 580}, Rect{0, 0, 1, 1}, Rect{328, 64, 876, 524}}) EXPECT_FALSE(inert.Hit(r));
    // A default-constructed input is the inert one: it stands outside the window too.
    EXPECT_FALSE(Input{}.Hit(Rect{0, 0, 1, 1}));
    // Only a rectangle reaching left of the window could contain the outside position.
    EXPECT_TRUE(inert.Hit(Rect{-2, -2, 0, 0}));
}

TEST(Input, TrackHoversMarksHotAndClicksOnlyWhenEnabledAndUnderThePointer) {
    const Rect r{10, 10, 20, 20};
    struct Case {
        const char* Name;
        float X;
        bool Clicked, Enabled;
        bool Hovered, Click, Hot;
    };
    const Case cases[] = {
        {"over it", 15, false, true, true, false, true},
        {"released over it", 15, true, true, true, true, true},
        {"released elsewhere", 25, true, true, false, false, false},
        {"elsewhere", 25, false, true, false, false, false},
        {"disabled under the pointer", 15, true, false, false, false, false},
    };
    for (const Case& c : cases) {
        Input input;
        input.X = c.X;
        input.Y = 15;
        input.Clicked = c.Clicked;
        const PointerOver over = input.Track(r, c.Enabled);
        EXPECT_EQ(over.Hovered, c.Hovered) << c.Name;
        EXPECT_EQ(over.Clicked, c.Click) << c.Name;
        EXPECT_EQ(input.Hot, c.Hot) << c.Name;
    }
    // Hot stays set by an earlier area of the same frame: another area elsewhere never clears it.
    Input input;
    input.X = 15;
    input.Y = 15;
    input.Track(r);
    input.Track(Rect{30, 30, 40, 40});
    EXPECT_TRUE(input.Hot);
}

}  // namespace
}  // namespace Ravenquill::Ui
