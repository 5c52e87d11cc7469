#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "core/common/errors.h"
#include "ui/geometry.h"
#include "ui/icons.h"

namespace Ravenquill::Ui {
namespace {

using Geometry::ParsePath;
using Geometry::PathBounds;

PathSegment Line(float x, float y) { return PathSegment{PathSegmentKind::Line, {{x, y}, {}, {}}}; }

void ExpectRect(const Rect& actual, const Rect& expected) {
    EXPECT_FLOAT_EQ(actual.Left, expected.Left);
    EXPECT_FLOAT_EQ(actual.Top, expected.Top);
    EXPECT_FLOAT_EQ(actual.Right, expected.Right);
    EXPECT_FLOAT_EQ(actual.Bottom, expected.Bottom);
}

TEST(PathText, SpellingsOfTheSamePathReadAlike) {
    const ParsedPath expected = ParsePath(L"M 0,0 L 10,10");
    ASSERT_EQ(expected.Figures.size(), 1u);
    EXPECT_EQ(expected.Figures[0].Start, (PathPoint{0, 0}));
    EXPECT_EQ(expected.Figures[0].Segments, std::vector<PathSegment>{Line(10, 10)});
    EXPECT_FALSE(expected.Figures[0].Closed);
    for (const wchar_t* text : {L"m 0,0 l 10,10", L"M 0 0 L 10 10", L"M0,0L10,10", L"M 0,0,L,10,10",
                                L"\tM\r\n0,,0 L+10,10.", L"M .0,-0 L 10.0,+10"}) {
        const ParsedPath p = ParsePath(text);
        EXPECT_EQ(p.Figures, expected.Figures) << std::wstring(text).size();
        ExpectRect(p.Bounds, Rect{0, 0, 10, 10});
    }
}

TEST(PathText, IconsOfTheWizardParse) {
    struct Case {
        std::wstring_view Text;
        std::size_t Figures;
        Rect Bounds;
    };
    const Case cases[] = {
        {Icons::SmallCheckMark, 1, {0, 1.2f, 9.4f, 7.6f}},
        {Icons::CheckMark, 1, {0, 1, 12, 9.2f}},
        {Icons::Minimize, 1, {0, 0, 11, 0}},
        {Icons::Close, 2, {0, 0, 10, 10}},
        {Icons::Warning, 3, {0.5f, 1, 15.5f, 14.5f}},
        {Icons::Shield, 1, {2, 1, 14, 15.4f}},
        {Icons::Trash, 3, {2, 2, 14, 14.5f}},
        {Icons::Folder, 1, {1, 3, 15, 13}},
    };
    for (const Case& c : cases) {
        const ParsedPath p = ParsePath(c.Text);
        EXPECT_EQ(p.Figures.size(), c.Figures) << c.Text.size();
        ExpectRect(p.Bounds, c.Bounds);
        ExpectRect(PathBounds(c.Text), c.Bounds);
    }
}

TEST(PathText, ShieldHasTwoCurvesAndIsClosed) {
    const ParsedPath p = ParsePath(Icons::Shield);
    ASSERT_EQ(p.Figures.size(), 1u);
    const PathFigure& f = p.Figures[0];
    EXPECT_TRUE(f.Closed);
    ASSERT_EQ(f.Segments.size(), 5u);
    EXPECT_EQ(f.Segments[2].Kind, PathSegmentKind::Cubic);
    EXPECT_EQ(f.Segments[2].Points[0], (PathPoint{14, 11.6f}));
    EXPECT_EQ(f.Segments[2].Points[1], (PathPoint{11.4f, 14.2f}));
    EXPECT_EQ(f.Segments[2].End(), (PathPoint{8, 15.4f}));
    EXPECT_EQ(f.Segments[4], Line(2, 3.4f));
}

TEST(PathText, WarningTriangleClosesOnlyItsFirstFigure) {
    const ParsedPath p = ParsePath(Icons::Warning);
    ASSERT_EQ(p.Figures.size(), 3u);
    EXPECT_TRUE(p.Figures[0].Closed);
    EXPECT_FALSE(p.Figures[1].Closed);
    EXPECT_FALSE(p.Figures[2].Closed);
    EXPECT_EQ(p.Figures[2].Start, (PathPoint{8, 12.2f}));
}

TEST(PathText, SecondZIsIgnored) {
    const ParsedPath p = ParsePath(L"M 0,0 L 10,0 Z Z");
    ASSERT_EQ(p.Figures.size(), 1u);
    EXPECT_TRUE(p.Figures[0].Closed);
    EXPECT_EQ(p.Figures[0].Segments.size(), 1u);
}

TEST(PathText, BoundsIncludeControlPoints) { ExpectRect(PathBounds(L"M 0,0 C 0,10 10,10 10,0"), Rect{0, 0, 10, 10}); }

TEST(PathText, LinesAndCurvesBeforeTheFirstMoveAreSkippedButBounded) {
    // Direct2D refuses a geometry with a segment outside a figure, and the icon would take the
    // whole frame down with it.
    const ParsedPath p = ParsePath(L"L 20,20 C -5,0 0,0 1,1 M 0,0 L 10,10");
    ASSERT_EQ(p.Figures.size(), 1u);
    EXPECT_EQ(p.Figures[0].Start, (PathPoint{0, 0}));
    EXPECT_EQ(p.Figures[0].Segments, std::vector<PathSegment>{Line(10, 10)});
    ExpectRect(p.Bounds, Rect{-5, 0, 20, 20});
    EXPECT_TRUE(ParsePath(L"L 1,1 2,2").Figures.empty());
}

TEST(PathText, FirstAndCachedDrawsGetTheSameBounds) {
    // Numbers that belong to no command draw nothing; the bounds scan still counts them, and the
    // parsed bounds agree with it so that a cached draw fits like the first.
    for (const wchar_t* text : {L"M 0,0 5,5 L 1,1", L"M 0,0 X 7,9 L 2,2", L"L 3,3 M 1,1 L 2,2", L"M 1,1 Z 9,9,9"}) {
        const ParsedPath p = ParsePath(text);
        const Rect scanned = PathBounds(text);
        EXPECT_EQ(p.Bounds, scanned) << std::wstring(text).size();
    }
    const ParsedPath extra = ParsePath(L"M 0,0 5,5 L 1,1");
    ASSERT_EQ(extra.Figures.size(), 1u);
    EXPECT_EQ(extra.Figures[0].Segments, std::vector<PathSegment>{Line(1, 1)});
    ExpectRect(extra.Bounds, Rect{0, 0, 5, 5});
}

TEST(PathText, UnknownCommandsAreSkippedOneCharacterAtATime) {
    const ParsedPath p = ParsePath(L"Q M 0,0 H L 3,4 ; Z");
    ASSERT_EQ(p.Figures.size(), 1u);
    EXPECT_TRUE(p.Figures[0].Closed);
    EXPECT_EQ(p.Figures[0].Segments, std::vector<PathSegment>{Line(3, 4)});
}

TEST(PathText, NumbersThatDoNotParseAreFormatErrors) {
    for (const wchar_t* text : {L"M . 0", L"M + 0", L"M -,0", L"M 1.2.3,0", L"M", L"M 1", L"M 0,0 L 5",
                                L"M 0,0 C 1,1 2,2", L"M \u0661,0", L"M 1e5,0"}) {
        EXPECT_THROW(ParsePath(text), FormatException) << std::wstring(text).size();
    }
    // Separators are only these five: a vertical tab is a command character, not a separator.
    EXPECT_THROW(ParsePath(L"M 0,\v0"), FormatException);
}

TEST(PathText, EmptyTextHasNoFiguresAndEmptyBounds) {
    const ParsedPath p = ParsePath(L"");
    EXPECT_TRUE(p.Figures.empty());
    EXPECT_EQ(p.Bounds, Geometry::EmptyBounds());
    EXPECT_EQ(Geometry::EmptyBounds().Left, std::numeric_limits<float>::max());
    EXPECT_EQ(Geometry::EmptyBounds().Right, -std::numeric_limits<float>::max());
}

TEST(PathReader, StepsThroughCommandsAndNumbers) {
    Geometry::PathReader reader(L" m1,-2.5 z");
    auto [more, command] = reader.TryReadCommand();
    EXPECT_TRUE(more);
    EXPECT_EQ(command, L'M');
    EXPECT_TRUE(reader.AtNumber());
    EXPECT_EQ(reader.ReadPoint(), (PathPoint{1, -2.5f}));
    EXPECT_FALSE(reader.AtNumber());
    EXPECT_EQ(reader.TryReadCommand(), std::make_pair(true, L'Z'));
    EXPECT_EQ(reader.TryReadCommand(), std::make_pair(false, L'\0'));
}

TEST(PathFit, CheckMarkIntoItsBox) {
    const Rect bounds = PathBounds(L"M 0,4.2 L 3.4,7.6 L 9.4,1.2");
    const auto fit = Geometry::FitPath(bounds, Rect{0, 0, 10, 8});
    ASSERT_TRUE(fit);
    EXPECT_FLOAT_EQ(fit->Scale, 10 / 9.4f);
    // Centred vertically: 0.596 logical pixels above and below.
    const float top = fit->Scale * bounds.Top + fit->Dy;
    const float bottom = fit->Scale * bounds.Bottom + fit->Dy;
    EXPECT_NEAR(top, 0.596f, 1e-3);
    EXPECT_NEAR(8 - bottom, 0.596f, 1e-3);
    EXPECT_NEAR(fit->Scale * bounds.Left + fit->Dx, 0, 1e-5);
}

TEST(PathFit, CrossIntoNineByNine) {
    const auto fit = Geometry::FitPath(PathBounds(L"M 0,0 L 10,10 M 10,0 L 0,10"), Rect{100, 50, 109, 59});
    ASSERT_TRUE(fit);
    EXPECT_FLOAT_EQ(fit->Scale, 0.9f);
    EXPECT_FLOAT_EQ(fit->Dx, 100);
    EXPECT_FLOAT_EQ(fit->Dy, 50);
}

TEST(PathFit, HorizontalLineIsScaledByItsWidth) {
    const auto fit = Geometry::FitPath(PathBounds(L"M 0,0 L 11,0"), Rect{842, 41.5f, 852, 42.5f});
    ASSERT_TRUE(fit);
    EXPECT_FLOAT_EQ(fit->Scale, 10 / 11.0f);
    EXPECT_FLOAT_EQ(fit->Scale * 0 + fit->Dx, 842);
    EXPECT_FLOAT_EQ(fit->Scale * 11 + fit->Dx, 852);
    EXPECT_FLOAT_EQ(fit->Dy, 42);
}

TEST(PathFit, ScalesThatAreNotFiniteAndPositiveDrawNothing) {
    const Rect box{0, 0, 10, 10};
    EXPECT_FALSE(Geometry::FitPath(Geometry::EmptyBounds(), box));                    // no points
    EXPECT_FALSE(Geometry::FitPath(PathBounds(L"M 3,3"), box));                       // one point
    EXPECT_FALSE(Geometry::FitPath(PathBounds(L"M 0,0 L 3,3 Z"), Rect{5, 5, 5, 9}));  // zero-wide box
    EXPECT_FALSE(Geometry::FitPath(PathBounds(L"M 0,0 L 3,3"), Rect{5, 5, 0, 9}));    // inverted box
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(Geometry::FitPath(PathBounds(L"M 0,0 L 3,3"), Rect{nan, nan, nan, nan}));
    EXPECT_FALSE(Geometry::FitPath(PathBounds(L"M 0,0 L 3,3"), Rect{0, 0, 10, nan}));  // one edge of no number
    EXPECT_FALSE(Geometry::FitPath(PathBounds(L"M 0,0 L 3,3"), Rect{nan, 0, 10, 10}));
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_FALSE(Geometry::FitPath(PathBounds(L"M 0,0 L 3,3"), Rect{0, 0, inf, inf}));
    EXPECT_FALSE(Geometry::FitPath(PathBounds(L"M 0,0 L 9999999999999999999999999999999999999999,3"), box));
    EXPECT_TRUE(Geometry::FitPath(PathBounds(L"M 0,0 L 0,3"), box));  // a vertical line fits by height
    // A line into a rectangle without extent across it still fits by its length, either way round.
    const auto vertical = Geometry::FitPath(PathBounds(L"M 0,0 L 0,4"), Rect{5, 0, 5, 8});
    const auto horizontal = Geometry::FitPath(PathBounds(L"M 0,0 L 4,0"), Rect{0, 5, 8, 5});
    ASSERT_TRUE(vertical && horizontal);
    EXPECT_FLOAT_EQ(vertical->Scale, 2);
    EXPECT_FLOAT_EQ(horizontal->Scale, 2);
    EXPECT_FLOAT_EQ(vertical->Dx, 5);
    EXPECT_FLOAT_EQ(horizontal->Dy, 5);
}

TEST(RoundSize, HalvesGoToEven) {
    EXPECT_EQ(Geometry::RoundSize({12.5f, 13.5f}), std::make_pair(12.0f, 14.0f));
    struct Case {
        float In, Out;
    };
    for (const Case& c : {Case{2.5f, 2}, Case{3.5f, 4}, Case{2.4999f, 2}, Case{2.5001f, 3}, Case{-0.5f, -0.0f},
                          Case{17.0f, 17}, Case{19.51f, 20}}) {
        EXPECT_EQ(Geometry::RoundHalfEven(c.In), c.Out) << c.In;
    }
}

}  // namespace
}  // namespace Ravenquill::Ui
