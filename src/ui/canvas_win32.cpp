#include "canvas_win32.h"

#include <algorithm>
#include <limits>

#include "core/common/errors.h"
#include "font_fallback.h"
#include "geometry_d2d_win32.h"

namespace Ravenquill::Ui {
namespace {

namespace Graphics = Interop::Graphics;
using Interop::ColorF;
using Interop::ComPtr;

D2D1_RECT_F ToD2D(const Rect& r) noexcept { return D2D1_RECT_F{r.Left, r.Top, r.Right, r.Bottom}; }

}  // namespace

D2DCanvas::D2DCanvas(ID2D1Factory* d2dFactory, IDWriteFactory* dwriteFactory) noexcept
    : d2dFactory_(d2dFactory), dwriteFactory_(dwriteFactory) {}

D2DCanvas::~D2DCanvas() { Dispose(); }

void D2DCanvas::SetTarget(ID2D1DCRenderTarget* target) {
    brushes_.clear();
    target_ = target;
}

void D2DCanvas::Dispose() noexcept {
    brushes_.clear();
    textLayouts_.clear();
    textFormats_.clear();
    geometries_.clear();
    clips_.clear();
    strokeStyle_.Reset();
    fonts_.Reset();
}

ID2D1DCRenderTarget* D2DCanvas::Target() const {
    if (target_ == nullptr) throw InvalidOperationException(L"The canvas has no render target.");
    return target_;
}

ID2D1SolidColorBrush* D2DCanvas::GetBrush(std::uint32_t color) {
    if (auto found = brushes_.find(color); found != brushes_.end()) return found->second.Get();
    ComPtr<ID2D1SolidColorBrush> brush = Graphics::CreateSolidColorBrush(Target(), ColorF(color));
    return brushes_.emplace(color, std::move(brush)).first->second.Get();
}

IDWriteTextFormat* D2DCanvas::GetTextFormat(const TextStyle& style) {
    TextFormatKey key = TextFormatKey::Of(style);
    if (auto found = textFormats_.find(key); found != textFormats_.end()) return found->second.Get();
    ComPtr<IDWriteTextFormat> format =
        Graphics::CreateTextFormat(dwriteFactory_, InstalledFamily(style.Family).c_str(), style.Size,
                                   static_cast<DWRITE_FONT_WEIGHT>(style.Weight), DWRITE_FONT_STYLE_NORMAL);
    Graphics::ThrowIfFailed(
        format->SetWordWrapping(style.Wrap ? DWRITE_WORD_WRAPPING_EMERGENCY_BREAK : DWRITE_WORD_WRAPPING_NO_WRAP));
    if (style.LineHeight > 0)
        Graphics::ThrowIfFailed(
            format->SetLineSpacing(DWRITE_LINE_SPACING_METHOD_UNIFORM, style.LineHeight, 0.8f * style.LineHeight));
    if (style.Ellipsis) {
        // The format keeps its own reference to the sign; ours goes at the end of this block.
        ComPtr<IDWriteInlineObject> sign = Graphics::CreateEllipsisTrimmingSign(dwriteFactory_, format.Get());
        Graphics::SetTrimming(format.Get(), DWRITE_TRIMMING_GRANULARITY_CHARACTER, sign.Get());
    }
    if (style.Align == TextAlign::Center)
        Graphics::ThrowIfFailed(format->SetTextAlignment(DWRITE_TEXT_ALIGNMENT_CENTER));
    else if (style.Align == TextAlign::Right)
        Graphics::ThrowIfFailed(format->SetTextAlignment(DWRITE_TEXT_ALIGNMENT_TRAILING));
    return textFormats_.emplace(std::move(key), std::move(format)).first->second.Get();
}

const std::wstring& D2DCanvas::InstalledFamily(const std::wstring& family) {
    if (auto found = families_.find(family); found != families_.end()) return found->second;
    if (!fonts_) fonts_ = Graphics::GetSystemFontCollection(dwriteFactory_);
    IDWriteFontCollection* fonts = fonts_.Get();
    std::wstring chosen = ChooseFontFamily(
        family, [fonts](const std::wstring& name) { return Graphics::HasFontFamily(fonts, name.c_str()); },
        [fonts] { return Graphics::FirstFontFamilyName(fonts); });
    return families_.emplace(family, std::move(chosen)).first->second;
}

IDWriteTextLayout* D2DCanvas::GetTextLayout(std::wstring_view text, const TextStyle& style, float maxWidth,
                                            float maxHeight) {
    TextLayoutKey key = TextLayoutKey::Of(text, style, maxWidth);
    if (auto found = textLayouts_.find(key); found != textLayouts_.end()) return found->second.Get();
    IDWriteTextFormat* format = GetTextFormat(style);
    // A negative extent (a rectangle whose edges crossed in a tight layout) would make DirectWrite
    // refuse the layout and with it the whole frame; it lays out as an empty width instead.
    ComPtr<IDWriteTextLayout> layout = Graphics::CreateTextLayout(
        dwriteFactory_, text, format, NonNegativeLayoutExtent(maxWidth), NonNegativeLayoutExtent(maxHeight));
    // Dropped whole rather than trimmed: a steady frame needs far fewer, and a page that lays out
    // ever new texts (the journal) must not grow the cache without end.
    if (textLayouts_.size() > MaxCachedTextLayouts) textLayouts_.clear();
    return textLayouts_.emplace(std::move(key), std::move(layout)).first->second.Get();
}

std::pair<ID2D1Geometry*, Rect> D2DCanvas::GetPathGeometry(std::wstring_view path) {
    if (auto found = geometries_.find(path); found != geometries_.end())
        return {found->second.Get(), Geometry::PathBounds(path)};
    PathGeometry built = Geometry::BuildPathGeometry(d2dFactory_, path);
    ID2D1Geometry* stored = geometries_.emplace(std::wstring(path), std::move(built.Geometry)).first->second.Get();
    return {stored, built.Bounds};
}

void D2DCanvas::FillRect(const Rect& rect, std::uint32_t color) {
    ID2D1SolidColorBrush* brush = GetBrush(color);
    Graphics::FillRectangle(Target(), ToD2D(rect), brush);
}

void D2DCanvas::FillRoundedRect(const Rect& rect, float radius, std::uint32_t color) {
    ID2D1SolidColorBrush* brush = GetBrush(color);
    const D2D1_ROUNDED_RECT shape{ToD2D(rect), radius, radius};
    Target()->FillRoundedRectangle(&shape, brush);
}

void D2DCanvas::StrokeRoundedRect(const Rect& rect, float radius, std::uint32_t color, float width) {
    ID2D1SolidColorBrush* brush = GetBrush(color);
    const float half = width / 2;
    const float inner = std::max(0.0f, radius - half);
    const D2D1_ROUNDED_RECT shape{D2D1_RECT_F{rect.Left + half, rect.Top + half, rect.Right - half, rect.Bottom - half},
                                  inner, inner};
    Target()->DrawRoundedRectangle(&shape, brush, width, nullptr);
}

void D2DCanvas::FillCircle(float cx, float cy, float r, std::uint32_t color) {
    ID2D1SolidColorBrush* brush = GetBrush(color);
    Graphics::FillEllipse(Target(), D2D1_ELLIPSE{D2D1_POINT_2F{cx, cy}, r, r}, brush);
}

void D2DCanvas::StrokeCircle(float cx, float cy, float r, std::uint32_t color, float width) {
    ID2D1SolidColorBrush* brush = GetBrush(color);
    const float inner = r - width / 2;
    const D2D1_ELLIPSE ellipse{D2D1_POINT_2F{cx, cy}, inner, inner};
    Target()->DrawEllipse(&ellipse, brush, width, nullptr);
}

void D2DCanvas::DrawPath(std::wstring_view path, const Rect& rect, std::uint32_t color, float strokeWidth) {
    ID2D1DCRenderTarget* target = Target();
    auto [geometry, bounds] = GetPathGeometry(path);
    const std::optional<PathFit> fit = Geometry::FitPath(bounds, rect);
    if (!fit) return;
    ID2D1SolidColorBrush* brush = GetBrush(color);
    if (!strokeStyle_) strokeStyle_ = Graphics::CreateStrokeStyle(d2dFactory_);
    const D2D1_MATRIX_3X2_F transform = Interop::Matrix3x2F::ScaleTranslate(fit->Scale, fit->Dx, fit->Dy).ToD2D();
    target->SetTransform(&transform);
    // In path units, so the stroke is strokeWidth logical pixels wide whatever the scale.
    target->DrawGeometry(geometry, brush, strokeWidth / fit->Scale, strokeStyle_.Get());
    // Everything else is drawn untransformed, so there is no earlier transform to restore.
    const D2D1_MATRIX_3X2_F identity = Interop::Matrix3x2F::Identity().ToD2D();
    target->SetTransform(&identity);
}

void D2DCanvas::DrawText(std::wstring_view text, const Rect& rect, const TextStyle& style) {
    if (text.empty()) return;
    ID2D1DCRenderTarget* target = Target();
    ID2D1SolidColorBrush* brush = GetBrush(style.Color);
    IDWriteTextLayout* layout = GetTextLayout(text, style, rect.Width(), rect.Height());
    Graphics::DrawTextLayout(target, D2D1_POINT_2F{rect.Left, rect.Top}, layout, brush);
}

std::pair<float, float> D2DCanvas::Measure(std::wstring_view text, const TextStyle& style, float maxWidth) {
    if (text.empty()) return {0.0f, 0.0f};
    IDWriteTextLayout* layout = GetTextLayout(text, style, maxWidth, std::numeric_limits<float>::max());
    const DWRITE_TEXT_METRICS metrics = Graphics::GetMetrics(layout);
    return {metrics.widthIncludingTrailingWhitespace, metrics.height};
}

void D2DCanvas::PushRoundedClip(const Rect& rect, float radius) {
    ID2D1DCRenderTarget* target = Target();
    std::wstring key = RoundedClipKey(rect, radius);
    auto found = clips_.find(key);
    if (found == clips_.end()) {
        ComPtr<ID2D1RoundedRectangleGeometry> geometry =
            Graphics::CreateRoundedRectangleGeometry(d2dFactory_, D2D1_ROUNDED_RECT{ToD2D(rect), radius, radius});
        found = clips_.emplace(std::move(key), std::move(geometry)).first;
    }
    Graphics::PushLayer(target, found->second.Get());
}

void D2DCanvas::PopLayer() { Graphics::PopLayer(Target()); }

void D2DCanvas::PushAxisAlignedClip(const Rect& rect) { Graphics::PushAxisAlignedClip(Target(), ToD2D(rect)); }

void D2DCanvas::PopAxisAlignedClip() { Graphics::PopAxisAlignedClip(Target()); }

std::shared_ptr<CanvasBitmap> D2DCanvas::CreateBitmap(std::uint32_t width, std::uint32_t height,
                                                      std::span<const std::uint8_t> pixels) {
    return std::make_shared<D2DBitmap>(Graphics::CreateBitmap(Target(), width, height, pixels), width, height);
}

void D2DCanvas::DrawBitmap(const CanvasBitmap& bitmap, const Rect& destination) {
    const auto* own = dynamic_cast<const D2DBitmap*>(&bitmap);
    if (own == nullptr) throw ArgumentException(L"The bitmap was not made by a Direct2D canvas.");
    const D2D1_RECT_F rect = ToD2D(destination);
    Target()->DrawBitmap(own->Get(), &rect, 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_LINEAR, nullptr);
}

}  // namespace Ravenquill::Ui
