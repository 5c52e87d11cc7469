#pragma once
// A canvas that writes down what it was asked to draw, for testing widgets and pages without a
// render target. Text is measured by a simple rule (or a rule the test sets), so layouts that
// depend on measured sizes are predictable.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/canvas.h"

namespace Ravenquill::Testing {

enum class CanvasOp {
    FillRect,
    FillRoundedRect,
    StrokeRoundedRect,
    FillCircle,
    StrokeCircle,
    DrawPath,
    DrawText,
    PushRoundedClip,
    PopLayer,
    PushAxisAlignedClip,
    PopAxisAlignedClip,
    CreateBitmap,
    DrawBitmap,
};

struct CanvasCall {
    CanvasOp Op = CanvasOp::FillRect;
    // The rectangle passed; for circles (cx − r, cy − r, cx + r, cy + r); for bitmaps made, (0, 0,
    // width, height).
    Ui::Rect Area;
    float Radius = 0;  // corner radius or circle radius
    float Width = 0;   // stroke width
    std::uint32_t Color = 0;
    std::wstring Text;  // the text, or the path data
    std::optional<Ui::TextStyle> Style;
};

class RecordedBitmap : public Ui::CanvasBitmap {
public:
    RecordedBitmap(std::uint32_t width, std::uint32_t height) : width_(width), height_(height) {}
    std::uint32_t PixelWidth() const noexcept override { return width_; }
    std::uint32_t PixelHeight() const noexcept override { return height_; }

private:
    std::uint32_t width_;
    std::uint32_t height_;
};

class RecordingCanvas : public Ui::Canvas {
public:
    using MeasureRule = std::function<std::pair<float, float>(std::wstring_view, const Ui::TextStyle&, float)>;

    // Default rule: every UTF-16 unit is Size / 2 wide; wrapped text breaks at maxWidth into as
    // many lines as it needs; a line is LineHeight high, or Size × 4 / 3 without one.
    static std::pair<float, float> SimpleMeasure(std::wstring_view text, const Ui::TextStyle& style, float maxWidth) {
        if (text.empty()) return {0.0f, 0.0f};
        const float lineHeight = style.LineHeight > 0 ? style.LineHeight : style.Size * 4 / 3;
        const float width = static_cast<float>(text.size()) * style.Size / 2;
        if (!style.Wrap || !(maxWidth > 0) || width <= maxWidth) return {width, lineHeight};
        const float lines = std::ceil(width / maxWidth);
        return {maxWidth, lines * lineHeight};
    }

    MeasureRule Measurer = SimpleMeasure;
    std::vector<CanvasCall> Calls;

    void FillRect(const Ui::Rect& rect, std::uint32_t color) override { Add({CanvasOp::FillRect, rect, 0, 0, color}); }
    void FillRoundedRect(const Ui::Rect& rect, float radius, std::uint32_t color) override {
        Add({CanvasOp::FillRoundedRect, rect, radius, 0, color});
    }
    void StrokeRoundedRect(const Ui::Rect& rect, float radius, std::uint32_t color, float width) override {
        Add({CanvasOp::StrokeRoundedRect, rect, radius, width, color});
    }
    void FillCircle(float cx, float cy, float r, std::uint32_t color) override {
        Add({CanvasOp::FillCircle, {cx - r, cy - r, cx + r, cy + r}, r, 0, color});
    }
    void StrokeCircle(float cx, float cy, float r, std::uint32_t color, float width) override {
        Add({CanvasOp::StrokeCircle, {cx - r, cy - r, cx + r, cy + r}, r, width, color});
    }
    void DrawPath(std::wstring_view path, const Ui::Rect& rect, std::uint32_t color, float strokeWidth) override {
        Add({CanvasOp::DrawPath, rect, 0, strokeWidth, color, std::wstring(path)});
    }
    void DrawText(std::wstring_view text, const Ui::Rect& rect, const Ui::TextStyle& style) override {
        if (text.empty()) return;
        Add({CanvasOp::DrawText, rect, 0, 0, style.Color, std::wstring(text), style});
    }
    std::pair<float, float> Measure(std::wstring_view text, const Ui::TextStyle& style, float maxWidth) override {
        if (text.empty()) return {0.0f, 0.0f};
        return Measurer(text, style, maxWidth);
    }
    void PushRoundedClip(const Ui::Rect& rect, float radius) override {
        Add({CanvasOp::PushRoundedClip, rect, radius});
    }
    void PopLayer() override { Add({CanvasOp::PopLayer}); }
    void PushAxisAlignedClip(const Ui::Rect& rect) override { Add({CanvasOp::PushAxisAlignedClip, rect}); }
    void PopAxisAlignedClip() override { Add({CanvasOp::PopAxisAlignedClip}); }
    std::shared_ptr<Ui::CanvasBitmap> CreateBitmap(std::uint32_t width, std::uint32_t height,
                                                   std::span<const std::uint8_t>) override {
        Add({CanvasOp::CreateBitmap, {0, 0, static_cast<float>(width), static_cast<float>(height)}});
        return std::make_shared<RecordedBitmap>(width, height);
    }
    void DrawBitmap(const Ui::CanvasBitmap&, const Ui::Rect& destination) override {
        Add({CanvasOp::DrawBitmap, destination});
    }

    // The calls of one kind, in order.
    std::vector<CanvasCall> Of(CanvasOp op) const {
        std::vector<CanvasCall> result;
        std::copy_if(Calls.begin(), Calls.end(), std::back_inserter(result),
                     [op](const CanvasCall& c) { return c.Op == op; });
        return result;
    }
    // The first DrawText of exactly this text, if any.
    std::optional<CanvasCall> TextCall(std::wstring_view text) const {
        for (const CanvasCall& c : Calls)
            if (c.Op == CanvasOp::DrawText && c.Text == text) return c;
        return std::nullopt;
    }
    void Clear() { Calls.clear(); }

private:
    void Add(CanvasCall call) { Calls.push_back(std::move(call)); }
};

}  // namespace Ravenquill::Testing
