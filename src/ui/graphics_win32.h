#pragma once
// The one place that creates the two graphics factories and turns a failed HRESULT into an
// exception, plus the Direct2D and DirectWrite calls the drawing code makes with fixed arguments.
// Windows builds only.
#include <d2d1.h>
#include <dwrite.h>
#include <wrl/client.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/common/hresult.h"

// Canvas::DrawText must keep its name in every file that sees the Windows headers (canvas.h).
#ifdef DrawText
#undef DrawText
#endif

namespace Ravenquill::Interop {

using Microsoft::WRL::ComPtr;

// Direct2D's colour of four floats, straight alpha, made from a 0xAARRGGBB colour.
struct ColorF {
    float R = 0;
    float G = 0;
    float B = 0;
    float A = 0;

    constexpr ColorF() noexcept = default;
    constexpr explicit ColorF(std::uint32_t argb) noexcept
        : R(static_cast<float>((argb >> 16) & 0xFF) / 255.0f),
          G(static_cast<float>((argb >> 8) & 0xFF) / 255.0f),
          B(static_cast<float>(argb & 0xFF) / 255.0f),
          A(static_cast<float>((argb >> 24) & 0xFF) / 255.0f) {}

    D2D1_COLOR_F ToD2D() const noexcept { return D2D1_COLOR_F{R, G, B, A}; }
};
static_assert(sizeof(ColorF) == sizeof(D2D1_COLOR_F));

// Direct2D's 3 x 2 matrix, in the platform's member order.
struct Matrix3x2F {
    float M11 = 1, M12 = 0, M21 = 0, M22 = 1, M31 = 0, M32 = 0;

    static constexpr Matrix3x2F Identity() noexcept { return Matrix3x2F{}; }
    static constexpr Matrix3x2F ScaleTranslate(float s, float dx, float dy) noexcept {
        return Matrix3x2F{s, 0, 0, s, dx, dy};
    }
    D2D1_MATRIX_3X2_F ToD2D() const noexcept {
        D2D1_MATRIX_3X2_F m;
        m._11 = M11;
        m._12 = M12;
        m._21 = M21;
        m._22 = M22;
        m._31 = M31;
        m._32 = M32;
        return m;
    }
};
static_assert(sizeof(Matrix3x2F) == sizeof(D2D1_MATRIX_3X2_F));

// A failed Direct2D or DirectWrite call: "Ошибка графической подсистемы: 0x" and the status as
// eight upper-case hexadecimal digits.
class GraphicsException : public HResultException {
public:
    explicit GraphicsException(std::int32_t hr);
};

namespace Graphics {

// Nothing for zero or any positive status (S_FALSE included); a GraphicsException otherwise.
inline void ThrowIfFailed(HRESULT hr) {
    if (hr < 0) throw GraphicsException(static_cast<std::int32_t>(hr));
}

// The factories. d2d1.dll and dwrite.dll are loaded from the system directory only and never
// unloaded: the factories live until the process ends.
ComPtr<ID2D1Factory> CreateD2DFactory();
ComPtr<IDWriteFactory> CreateDWriteFactory();

// Factory.
ComPtr<ID2D1RoundedRectangleGeometry> CreateRoundedRectangleGeometry(ID2D1Factory* factory,
                                                                     const D2D1_ROUNDED_RECT& rect);
ComPtr<ID2D1PathGeometry> CreatePathGeometry(ID2D1Factory* factory);
// Round caps and join, miter limit 10, solid.
ComPtr<ID2D1StrokeStyle> CreateStrokeStyle(ID2D1Factory* factory);
ComPtr<ID2D1DCRenderTarget> CreateDCRenderTarget(ID2D1Factory* factory,
                                                 const D2D1_RENDER_TARGET_PROPERTIES& properties);

// Path geometry and its sink.
ComPtr<ID2D1GeometrySink> Open(ID2D1PathGeometry* geometry);
void EndFigure(ID2D1GeometrySink* sink, D2D1_FIGURE_END figureEnd);
void Close(ID2D1GeometrySink* sink);
void AddBezier(ID2D1GeometrySink* sink, D2D1_POINT_2F point1, D2D1_POINT_2F point2, D2D1_POINT_2F point3);

// Render target.
// Premultiplied BGRA at 96 DPI; rows are width x 4 bytes apart. Empty pixels: no initial data.
ComPtr<ID2D1Bitmap> CreateBitmap(ID2D1RenderTarget* target, std::uint32_t width, std::uint32_t height,
                                 std::span<const std::uint8_t> pixels);
ComPtr<ID2D1SolidColorBrush> CreateSolidColorBrush(ID2D1RenderTarget* target, ColorF color);
void FillRectangle(ID2D1RenderTarget* target, const D2D1_RECT_F& rect, ID2D1Brush* brush);
void FillEllipse(ID2D1RenderTarget* target, const D2D1_ELLIPSE& ellipse, ID2D1Brush* brush);
// Text is not clipped to the layout box.
void DrawTextLayout(ID2D1RenderTarget* target, D2D1_POINT_2F origin, IDWriteTextLayout* layout, ID2D1Brush* brush);
void SetTextAntialiasMode(ID2D1RenderTarget* target, D2D1_TEXT_ANTIALIAS_MODE mode);
// Infinite content bounds, per-primitive mask antialiasing, opacity 1, no layer object.
void PushLayer(ID2D1RenderTarget* target, ID2D1Geometry* mask);
void PopLayer(ID2D1RenderTarget* target);
void PushAxisAlignedClip(ID2D1RenderTarget* target, const D2D1_RECT_F& rect);
void PopAxisAlignedClip(ID2D1RenderTarget* target);
void Clear(ID2D1RenderTarget* target, ColorF color);
void BeginDraw(ID2D1RenderTarget* target);
void SetDpi(ID2D1RenderTarget* target, float dpi);

// DirectWrite. Every text format carries the locale "ru-ru".
ComPtr<IDWriteTextFormat> CreateTextFormat(IDWriteFactory* factory, const wchar_t* family, float size,
                                           DWRITE_FONT_WEIGHT weight, DWRITE_FONT_STYLE style);
ComPtr<IDWriteTextLayout> CreateTextLayout(IDWriteFactory* factory, std::wstring_view text, IDWriteTextFormat* format,
                                           float maxWidth, float maxHeight);
ComPtr<IDWriteInlineObject> CreateEllipsisTrimmingSign(IDWriteFactory* factory, IDWriteTextFormat* format);
void SetTrimming(IDWriteTextFormat* format, DWRITE_TRIMMING_GRANULARITY granularity, IDWriteInlineObject* sign);
DWRITE_TEXT_METRICS GetMetrics(IDWriteTextLayout* layout);
// The system's font collection, as it is now.
ComPtr<IDWriteFontCollection> GetSystemFontCollection(IDWriteFactory* factory);
// Whether the collection holds a family of that name.
bool HasFontFamily(IDWriteFontCollection* fonts, const wchar_t* family);
// The name of the collection's first family ("en-us", else its first name); none when the
// collection is empty.
std::optional<std::wstring> FirstFontFamilyName(IDWriteFontCollection* fonts);

}  // namespace Graphics
}  // namespace Ravenquill::Interop
