#pragma once
// The canvas that draws on one Direct2D DC render target. It keeps every platform object it can
// reuse between frames: one brush per colour (they belong to the target), one text format per style
// without its colour, laid-out texts, path geometries and rounded-clip geometries (these survive a
// change of target). It owns one reference to each cached object; callers keep none. Windows
// builds, UI thread only.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "canvas.h"
#include "geometry.h"
#include "graphics_win32.h"
#include "text_layout_key.h"

namespace Ravenquill::Ui {

class D2DBitmap final : public CanvasBitmap {
public:
    explicit D2DBitmap(Interop::ComPtr<ID2D1Bitmap> bitmap, std::uint32_t width, std::uint32_t height) noexcept
        : bitmap_(std::move(bitmap)), width_(width), height_(height) {}
    std::uint32_t PixelWidth() const noexcept override { return width_; }
    std::uint32_t PixelHeight() const noexcept override { return height_; }
    ID2D1Bitmap* Get() const noexcept { return bitmap_.Get(); }

private:
    Interop::ComPtr<ID2D1Bitmap> bitmap_;
    std::uint32_t width_;
    std::uint32_t height_;
};

// Looks a path text up by view, so a cached draw copies no string.
struct TextKeyHash {
    using is_transparent = void;
    std::size_t operator()(std::wstring_view text) const noexcept { return std::hash<std::wstring_view>{}(text); }
};

class D2DCanvas final : public Canvas {
public:
    // The factories are borrowed and must outlive the canvas. No target yet.
    D2DCanvas(ID2D1Factory* d2dFactory, IDWriteFactory* dwriteFactory) noexcept;
    ~D2DCanvas() override;
    D2DCanvas(const D2DCanvas&) = delete;
    D2DCanvas& operator=(const D2DCanvas&) = delete;

    // Releases every cached brush (they belong to the old target), then draws on this one. The
    // target is borrowed: its owner releases it.
    void SetTarget(ID2D1DCRenderTarget* target);
    // Releases every cached object and the stroke style. The canvas can be bound and used again.
    void Dispose() noexcept;

    ID2D1DCRenderTarget* RenderTarget() const noexcept { return target_; }
    // The cached brush of a 0xAARRGGBB colour on the current target.
    ID2D1SolidColorBrush* GetBrush(std::uint32_t color);
    // The cached layout of a text in a style at a maximum width (the key, as passed) and height (not
    // part of the key). The next layout made may release it: use it at once.
    IDWriteTextLayout* GetTextLayout(std::wstring_view text, const TextStyle& style, float maxWidth, float maxHeight);
    // The cached geometry of a path text and the bounds of its points.
    std::pair<ID2D1Geometry*, Rect> GetPathGeometry(std::wstring_view path);

    // Sizes of the caches, for tests and diagnostics.
    std::size_t BrushCount() const noexcept { return brushes_.size(); }
    std::size_t TextFormatCount() const noexcept { return textFormats_.size(); }
    std::size_t TextLayoutCount() const noexcept { return textLayouts_.size(); }
    std::size_t GeometryCount() const noexcept { return geometries_.size() + clips_.size(); }

    void FillRect(const Rect& rect, std::uint32_t color) override;
    void FillRoundedRect(const Rect& rect, float radius, std::uint32_t color) override;
    void StrokeRoundedRect(const Rect& rect, float radius, std::uint32_t color, float width) override;
    void FillCircle(float cx, float cy, float r, std::uint32_t color) override;
    void StrokeCircle(float cx, float cy, float r, std::uint32_t color, float width) override;
    void DrawPath(std::wstring_view path, const Rect& rect, std::uint32_t color, float strokeWidth) override;
    void DrawText(std::wstring_view text, const Rect& rect, const TextStyle& style) override;
    std::pair<float, float> Measure(std::wstring_view text, const TextStyle& style, float maxWidth) override;
    void PushRoundedClip(const Rect& rect, float radius) override;
    void PopLayer() override;
    void PushAxisAlignedClip(const Rect& rect) override;
    void PopAxisAlignedClip() override;
    std::shared_ptr<CanvasBitmap> CreateBitmap(std::uint32_t width, std::uint32_t height,
                                               std::span<const std::uint8_t> pixels) override;
    void DrawBitmap(const CanvasBitmap& bitmap, const Rect& destination) override;

private:
    ID2D1DCRenderTarget* Target() const;
    IDWriteTextFormat* GetTextFormat(const TextStyle& style);
    // The installed family that text asked for in family is drawn in; decided once per family.
    const std::wstring& InstalledFamily(const std::wstring& family);

    ID2D1Factory* d2dFactory_;
    IDWriteFactory* dwriteFactory_;
    ID2D1DCRenderTarget* target_ = nullptr;
    std::unordered_map<std::uint32_t, Interop::ComPtr<ID2D1SolidColorBrush>> brushes_;
    std::unordered_map<TextFormatKey, Interop::ComPtr<IDWriteTextFormat>, TextFormatKeyHash> textFormats_;
    std::unordered_map<TextLayoutKey, Interop::ComPtr<IDWriteTextLayout>, TextLayoutKeyHash> textLayouts_;
    std::unordered_map<std::wstring, Interop::ComPtr<ID2D1Geometry>, TextKeyHash, std::equal_to<>> geometries_;
    // Rounded clips apart from path texts, keyed by their numbers, so no path text can be mistaken
    // for a clip.
    std::unordered_map<std::wstring, Interop::ComPtr<ID2D1Geometry>> clips_;
    Interop::ComPtr<ID2D1StrokeStyle> strokeStyle_;
    Interop::ComPtr<IDWriteFontCollection> fonts_;
    // Family asked for → family drawn in. Names only: kept across Dispose.
    std::unordered_map<std::wstring, std::wstring> families_;
};

}  // namespace Ravenquill::Ui
