#pragma once
// The immediate-mode drawing surface that the frame, the widgets and every page draw on, once per
// frame, in logical pixels of the window. Callers pass rectangles, colours (0xAARRGGBB, straight
// alpha) and text styles; the implementation finds or makes the platform objects it needs and keeps
// them between frames. Nothing above the toolkit touches the graphics platform itself.
//
// Canvas is an interface so that widgets and pages can be tested without a render target: the
// Direct2D canvas (canvas_win32.h) draws, a recording canvas in the tests writes the calls down.
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <utility>

#include "input.h"
#include "rect.h"
#include "text_style.h"
#include "theme.h"

// The Windows headers define DrawText as a macro for their own function of that name, which would
// rename the member below in some files and not in others.
#ifdef DrawText
#undef DrawText
#endif

namespace Ravenquill::Ui {

// A bitmap made on the canvas's target (the logo, the frame's shadow). Premultiplied BGRA pixels.
class CanvasBitmap {
public:
    virtual ~CanvasBitmap() = default;
    virtual std::uint32_t PixelWidth() const noexcept = 0;
    virtual std::uint32_t PixelHeight() const noexcept = 0;
};

class Canvas {
public:
    virtual ~Canvas() = default;

    // Shapes. Strokes lie entirely inside the shape they outline.
    virtual void FillRect(const Rect& rect, std::uint32_t color) = 0;
    virtual void FillRoundedRect(const Rect& rect, float radius, std::uint32_t color) = 0;
    // The rectangle inset by width / 2, radius max(0, radius − width / 2).
    virtual void StrokeRoundedRect(const Rect& rect, float radius, std::uint32_t color, float width) = 0;
    virtual void FillCircle(float cx, float cy, float r, std::uint32_t color) = 0;
    // Radius r − width / 2.
    virtual void StrokeCircle(float cx, float cy, float r, std::uint32_t color, float width) = 0;

    // A vector icon (the path mini-language of geometry.h) fitted into the rectangle, centred, and
    // stroked strokeWidth logical pixels wide with round caps and joins. A path whose fit is not
    // finite and positive draws nothing; a path text that does not parse throws FormatException.
    virtual void DrawPath(std::wstring_view path, const Rect& rect, std::uint32_t color, float strokeWidth) = 0;

    // Text laid out at the rectangle's width and height, its top-left corner at (Left, Top), in
    // style.Color; nothing is clipped. An empty text draws nothing.
    virtual void DrawText(std::wstring_view text, const Rect& rect, const TextStyle& style) = 0;
    // The text measured at the rectangle's width and drawn with DrawText in
    // (Left, t, Right, t + h), h the measured height, t = Top + (rect height − h) / 2.
    void DrawTextVCenter(std::wstring_view text, const Rect& rect, const TextStyle& style);
    // (width including trailing white space, height of all lines) of the text laid out at
    // maxWidth; (0, 0) for an empty text. A natural width: pass the largest finite float.
    virtual std::pair<float, float> Measure(std::wstring_view text, const TextStyle& style, float maxWidth) = 0;

    // Clips. Every push is ended by its own pop, innermost first. Rounded clips are layers.
    virtual void PushRoundedClip(const Rect& rect, float radius) = 0;
    virtual void PopLayer() = 0;
    virtual void PushAxisAlignedClip(const Rect& rect) = 0;
    virtual void PopAxisAlignedClip() = 0;

    // Bitmaps: made from premultiplied BGRA rows of width × 4 bytes (empty pixels: uninitialised);
    // drawn stretched into the destination at full opacity with linear interpolation.
    virtual std::shared_ptr<CanvasBitmap> CreateBitmap(std::uint32_t width, std::uint32_t height,
                                                       std::span<const std::uint8_t> pixels) = 0;
    virtual void DrawBitmap(const CanvasBitmap& bitmap, const Rect& destination) = 0;

    // The option widgets, drawn with the operations above; defined with the widgets. Each returns
    // whether it was clicked in this frame.
    bool Checkbox(Input& input, const Theme& theme, const Rect& rect, std::wstring_view label, bool checked,
                  bool enabled);
    bool RadioCard(Input& input, const Theme& theme, const Rect& rect, std::wstring_view title,
                   std::wstring_view description, bool selected);
    bool ComponentRow(Input& input, const Theme& theme, const Rect& rect, std::wstring_view name,
                      std::wstring_view description, std::wstring_view sizeText, bool checked, bool locked);
    float ComponentRowHeight(const Theme& theme, std::wstring_view description, float width);
};

}  // namespace Ravenquill::Ui
