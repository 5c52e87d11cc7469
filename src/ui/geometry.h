#pragma once
// Vector icons: the path mini-language (M, L, C and Z with absolute coordinates), the bounds of a
// path text, the fit of those bounds into a rectangle, and the rounding of measured text sizes.
// The drawing layer turns a ParsedPath into a Direct2D geometry; everything here is pure.
//
// Grammar: separators are runs of tab, line feed, carriage return, space and ','. A command is
// the next character after separators (letters in either case); other characters in command
// position are skipped one at a time. A number is an optional sign and a run of digits and '.'
// (no exponent), a point two numbers.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "rect.h"

namespace Ravenquill::Ui {

struct PathPoint {
    float X = 0;
    float Y = 0;
    friend constexpr bool operator==(const PathPoint&, const PathPoint&) = default;
};

enum class PathSegmentKind { Line, Cubic };

// A line to Points[0], or a cubic Bézier with control points Points[0] and Points[1] ending at
// Points[2].
struct PathSegment {
    PathSegmentKind Kind = PathSegmentKind::Line;
    PathPoint Points[3] = {};

    constexpr PathPoint End() const noexcept { return Kind == PathSegmentKind::Line ? Points[0] : Points[2]; }
    friend bool operator==(const PathSegment&, const PathSegment&) = default;
};

// One figure: begun hollow at Start, ended closed (Z) or open.
struct PathFigure {
    PathPoint Start;
    std::vector<PathSegment> Segments;
    bool Closed = false;
    friend bool operator==(const PathFigure&, const PathFigure&) = default;
};

struct ParsedPath {
    std::vector<PathFigure> Figures;
    // Exactly PathBounds of the same text, so a first draw and a cached draw fit alike.
    Rect Bounds;
};

// The transform that fits path bounds into a rectangle: x' = Scale × x + Dx, y' = Scale × y + Dy.
struct PathFit {
    float Scale = 1;
    float Dx = 0;
    float Dy = 0;
};

namespace Geometry {

// A cursor over one path text; the steps of the grammar above.
class PathReader {
public:
    explicit PathReader(std::wstring_view text) noexcept : text_(text) {}

    void SkipSeparators() noexcept;
    // Skips separators; false (and the character 0) at the end of the text, else consumes the next
    // character and returns it upper-cased.
    std::pair<bool, wchar_t> TryReadCommand() noexcept;
    // Skips separators; whether a number starts here (a decimal digit, '+', '-' or '.').
    bool AtNumber() noexcept;
    // Skips separators and reads one number; FormatException when its run does not parse (a lone
    // '.', '+' or '-', two points, digits other than 0-9, or no characters at all).
    float ReadNumber();
    PathPoint ReadPoint();

    std::size_t Position() const noexcept { return position_; }

private:
    std::wstring_view text_;
    std::size_t position_ = 0;
};

// (largest float, largest float, -largest float, -largest float): what a path without points has.
Rect EmptyBounds() noexcept;
// The bounds grown to contain the point.
Rect Include(PathPoint point, Rect bounds) noexcept;

// Every point after every command other than Z, control points included, for as long as numbers
// follow. FormatException as ReadNumber.
Rect PathBounds(std::wstring_view path);

// The figures of a path text. A line or curve before the first M, and numbers that belong to no
// command, draw nothing, but their points still count for the bounds. FormatException as
// ReadNumber.
ParsedPath ParsePath(std::wstring_view path);

// The largest uniform scale at which the bounds fit the rectangle, centred in it. Nothing when that
// scale is not finite and positive (no points, a single point, an empty or inverted rectangle):
// such a path draws nothing.
std::optional<PathFit> FitPath(const Rect& bounds, const Rect& target) noexcept;

// The nearest whole number, halves to even (2.5 → 2, 3.5 → 4).
float RoundHalfEven(float value) noexcept;
// Measured text sizes that feed a layout, each rounded with RoundHalfEven.
std::pair<float, float> RoundSize(std::pair<float, float> size) noexcept;

}  // namespace Geometry

}  // namespace Ravenquill::Ui
