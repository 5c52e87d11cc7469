#include "geometry.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <tuple>

#include "core/common/errors.h"
#include "core/common/text.h"

namespace Ravenquill::Ui::Geometry {
namespace {

bool IsSeparator(wchar_t c) noexcept { return c == L'\t' || c == L'\n' || c == L'\r' || c == L' ' || c == L','; }

// The first code unit of each run of ten decimal digits (Unicode category Nd) in the BMP. A run may
// start a number, though only 0-9 parse.
constexpr wchar_t DigitZeros[] = {0x0030, 0x0660, 0x06F0, 0x07C0, 0x0966, 0x09E6, 0x0A66, 0x0AE6, 0x0B66, 0x0BE6,
                                  0x0C66, 0x0CE6, 0x0D66, 0x0DE6, 0x0E50, 0x0ED0, 0x0F20, 0x1040, 0x1090, 0x17E0,
                                  0x1810, 0x1946, 0x19D0, 0x1A80, 0x1A90, 0x1B50, 0x1BB0, 0x1C40, 0x1C50, 0xA620,
                                  0xA8D0, 0xA900, 0xA9D0, 0xA9F0, 0xAA50, 0xABF0, 0xFF10};

bool IsDecimalDigit(wchar_t c) noexcept {
    for (wchar_t zero : DigitZeros)
        if (c >= zero && c < zero + 10) return true;
    return false;
}

[[noreturn]] void ThrowBadNumber() { throw FormatException(L"The input string was not in a correct format."); }

// A run of digits and '.', already without its sign.
float ParseUnsignedRun(std::wstring_view run) {
    std::string ascii;
    bool point = false;
    bool digit = false;
    for (wchar_t c : run) {
        if (c == L'.') {
            if (point) ThrowBadNumber();
            point = true;
        } else if (c >= L'0' && c <= L'9') {
            digit = true;
        } else {
            ThrowBadNumber();
        }
        ascii.push_back(static_cast<char>(c));
    }
    if (!digit) ThrowBadNumber();
    float value = 0;
    const auto result = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value, std::chars_format::fixed);
    if (result.ec == std::errc::result_out_of_range) {
        // Without an exponent only very long runs leave the float's range: a whole part beyond it
        // reads as infinity, a fraction below it as 0.
        const auto firstNonZero = ascii.find_first_not_of("0.");
        const auto pointAt = ascii.find('.');
        const bool large =
            firstNonZero != std::string::npos && (pointAt == std::string::npos || firstNonZero < pointAt);
        return large ? std::numeric_limits<float>::infinity() : 0.0f;
    }
    if (result.ec != std::errc() || result.ptr != ascii.data() + ascii.size()) ThrowBadNumber();
    return value;
}

}  // namespace

void PathReader::SkipSeparators() noexcept {
    while (position_ < text_.size() && IsSeparator(text_[position_])) ++position_;
}

std::pair<bool, wchar_t> PathReader::TryReadCommand() noexcept {
    SkipSeparators();
    if (position_ >= text_.size()) return {false, L'\0'};
    const wchar_t c = text_[position_++];
    if (c >= L'a' && c <= L'z') return {true, static_cast<wchar_t>(c - L'a' + L'A')};
    return {true, Text::ToUpper(c)};
}

bool PathReader::AtNumber() noexcept {
    SkipSeparators();
    if (position_ >= text_.size()) return false;
    const wchar_t c = text_[position_];
    return c == L'+' || c == L'-' || c == L'.' || IsDecimalDigit(c);
}

float PathReader::ReadNumber() {
    SkipSeparators();
    bool negative = false;
    if (position_ < text_.size() && (text_[position_] == L'+' || text_[position_] == L'-')) {
        negative = text_[position_] == L'-';
        ++position_;
    }
    const std::size_t start = position_;
    while (position_ < text_.size() && (text_[position_] == L'.' || IsDecimalDigit(text_[position_]))) ++position_;
    const float value = ParseUnsignedRun(text_.substr(start, position_ - start));
    return negative ? -value : value;
}

PathPoint PathReader::ReadPoint() {
    const float x = ReadNumber();
    const float y = ReadNumber();
    return {x, y};
}

Rect EmptyBounds() noexcept {
    constexpr float big = std::numeric_limits<float>::max();
    return {big, big, -big, -big};
}

Rect Include(PathPoint p, Rect b) noexcept {
    return {std::min(b.Left, p.X), std::min(b.Top, p.Y), std::max(b.Right, p.X), std::max(b.Bottom, p.Y)};
}

Rect PathBounds(std::wstring_view path) {
    PathReader reader(path);
    Rect bounds = EmptyBounds();
    for (auto [more, command] = reader.TryReadCommand(); more; std::tie(more, command) = reader.TryReadCommand()) {
        if (command == L'Z') continue;
        while (reader.AtNumber()) bounds = Include(reader.ReadPoint(), bounds);
    }
    return bounds;
}

ParsedPath ParsePath(std::wstring_view path) {
    ParsedPath parsed;
    PathFigure* open = nullptr;
    const auto endOpenFigure = [&](bool closed) {
        if (open != nullptr) open->Closed = closed;
        open = nullptr;
    };
    PathReader reader(path);
    for (auto [more, command] = reader.TryReadCommand(); more; std::tie(more, command) = reader.TryReadCommand()) {
        switch (command) {
            case L'M':
                endOpenFigure(false);
                parsed.Figures.push_back(PathFigure{reader.ReadPoint(), {}, false});
                open = &parsed.Figures.back();
                break;
            case L'L':
                // A line with no figure to draw in is skipped, as Direct2D would refuse the whole
                // geometry for it.
                while (reader.AtNumber()) {
                    const PathPoint to = reader.ReadPoint();
                    if (open != nullptr) open->Segments.push_back(PathSegment{PathSegmentKind::Line, {to, {}, {}}});
                }
                break;
            case L'C':
                while (reader.AtNumber()) {
                    const PathPoint c1 = reader.ReadPoint();
                    const PathPoint c2 = reader.ReadPoint();
                    const PathPoint to = reader.ReadPoint();
                    if (open != nullptr) open->Segments.push_back(PathSegment{PathSegmentKind::Cubic, {c1, c2, to}});
                }
                break;
            case L'Z':
                endOpenFigure(true);
                break;
            default:
                break;
        }
    }
    // The bounds come from the same scan that serves cached geometries, so the first draw of a text
    // fits exactly as every later one, also for numbers that belong to no command.
    parsed.Bounds = PathBounds(path);
    return parsed;
}

std::optional<PathFit> FitPath(const Rect& b, const Rect& target) noexcept {
    const float boundsWidth = b.Right - b.Left;
    const float boundsHeight = b.Bottom - b.Top;
    const float width = target.Right - target.Left;
    const float height = target.Bottom - target.Top;
    // An axis in which the path has no extent puts no limit on the scale (a horizontal line has an
    // infinite vertical ratio), also when the rectangle has none in that axis either.
    const auto ratio = [](float size, float extent) {
        return size == 0 && extent == 0 ? std::numeric_limits<float>::infinity() : size / extent;
    };
    const float horizontal = ratio(width, boundsWidth);
    const float vertical = ratio(height, boundsHeight);
    const float scale =
        std::isnan(horizontal) || std::isnan(vertical) ? horizontal + vertical : std::min(horizontal, vertical);
    // An infinite, zero, negative or NaN scale would give Direct2D a degenerate transform and a
    // stroke width of infinity or NaN; such a path has nothing sensible to show.
    if (!std::isfinite(scale) || !(scale > 0)) return std::nullopt;
    PathFit fit;
    fit.Scale = scale;
    fit.Dx = target.Left + (width - boundsWidth * scale) / 2 - scale * b.Left;
    fit.Dy = target.Top + (height - boundsHeight * scale) / 2 - scale * b.Top;
    if (!std::isfinite(fit.Dx) || !std::isfinite(fit.Dy)) return std::nullopt;
    return fit;
}

float RoundHalfEven(float value) noexcept {
    // The default rounding mode rounds halves to even; nearbyint honours it without raising inexact.
    return std::nearbyint(value);
}

std::pair<float, float> RoundSize(std::pair<float, float> size) noexcept {
    return {RoundHalfEven(size.first), RoundHalfEven(size.second)};
}

}  // namespace Ravenquill::Ui::Geometry
