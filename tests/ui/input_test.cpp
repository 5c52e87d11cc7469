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

}  // namespace
}  // namespace Ravenquill::Ui
