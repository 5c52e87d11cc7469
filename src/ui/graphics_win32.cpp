#include "ui/graphics_win32.h"

#include <limits>
#include <string>

#include "core/common/system_library_win32.h"
#include "core/common/win32_error.h"

namespace Ravenquill::Interop {

namespace {

// The DLL stays loaded for the life of the process: its factories and every object made from
// them must outlive any owner we could give the module handle.
void* SystemProcedure(const wchar_t* dll, const char* name) {
    UniqueHModule module = LoadSystemLibrary(dll);
    if (!module) ThrowLastWin32Error(dll);
    FARPROC procedure = GetProcAddress(module.get(), name);
    if (procedure == nullptr) ThrowLastWin32Error(dll);
    module.release();
    return reinterpret_cast<void*>(procedure);
}

}  // namespace

GraphicsException::GraphicsException(std::int32_t hr) : HResultException(L"Ошибка графической подсистемы", hr) {}

namespace Graphics {

ComPtr<ID2D1Factory> CreateD2DFactory() {
    using Create = HRESULT(WINAPI*)(D2D1_FACTORY_TYPE, REFIID, const D2D1_FACTORY_OPTIONS*, void**);
    static const auto create = reinterpret_cast<Create>(SystemProcedure(L"d2d1.dll", "D2D1CreateFactory"));
    ComPtr<ID2D1Factory> factory;
    ThrowIfFailed(create(D2D1_FACTORY_TYPE_SINGLE_THREADED, __uuidof(ID2D1Factory), nullptr,
                         reinterpret_cast<void**>(factory.GetAddressOf())));
    return factory;
}

ComPtr<IDWriteFactory> CreateDWriteFactory() {
    using Create = HRESULT(WINAPI*)(DWRITE_FACTORY_TYPE, REFIID, IUnknown**);
    static const auto create = reinterpret_cast<Create>(SystemProcedure(L"dwrite.dll", "DWriteCreateFactory"));
    ComPtr<IDWriteFactory> factory;
    ThrowIfFailed(create(DWRITE_FACTORY_TYPE_SHARED, __uuidof(IDWriteFactory),
                         reinterpret_cast<IUnknown**>(factory.GetAddressOf())));
    return factory;
}

ComPtr<ID2D1RoundedRectangleGeometry> CreateRoundedRectangleGeometry(ID2D1Factory* factory,
                                                                     const D2D1_ROUNDED_RECT& rect) {
    ComPtr<ID2D1RoundedRectangleGeometry> geometry;
    ThrowIfFailed(factory->CreateRoundedRectangleGeometry(&rect, geometry.GetAddressOf()));
    return geometry;
}

ComPtr<ID2D1PathGeometry> CreatePathGeometry(ID2D1Factory* factory) {
    ComPtr<ID2D1PathGeometry> geometry;
    ThrowIfFailed(factory->CreatePathGeometry(geometry.GetAddressOf()));
    return geometry;
}

ComPtr<ID2D1StrokeStyle> CreateStrokeStyle(ID2D1Factory* factory) {
    D2D1_STROKE_STYLE_PROPERTIES properties{};
    properties.startCap = D2D1_CAP_STYLE_ROUND;
    properties.endCap = D2D1_CAP_STYLE_ROUND;
    properties.dashCap = D2D1_CAP_STYLE_ROUND;
    properties.lineJoin = D2D1_LINE_JOIN_ROUND;
    properties.miterLimit = 10.0f;
    properties.dashStyle = D2D1_DASH_STYLE_SOLID;
    properties.dashOffset = 0.0f;
    ComPtr<ID2D1StrokeStyle> style;
    ThrowIfFailed(factory->CreateStrokeStyle(&properties, nullptr, 0, style.GetAddressOf()));
    return style;
}

ComPtr<ID2D1DCRenderTarget> CreateDCRenderTarget(ID2D1Factory* factory,
                                                 const D2D1_RENDER_TARGET_PROPERTIES& properties) {
    ComPtr<ID2D1DCRenderTarget> target;
    ThrowIfFailed(factory->CreateDCRenderTarget(&properties, target.GetAddressOf()));
    return target;
}

ComPtr<ID2D1GeometrySink> Open(ID2D1PathGeometry* geometry) {
    ComPtr<ID2D1GeometrySink> sink;
    ThrowIfFailed(geometry->Open(sink.GetAddressOf()));
    return sink;
}

void EndFigure(ID2D1GeometrySink* sink, D2D1_FIGURE_END figureEnd) { sink->EndFigure(figureEnd); }

void Close(ID2D1GeometrySink* sink) { ThrowIfFailed(sink->Close()); }

void AddBezier(ID2D1GeometrySink* sink, D2D1_POINT_2F point1, D2D1_POINT_2F point2, D2D1_POINT_2F point3) {
    const D2D1_BEZIER_SEGMENT segment{point1, point2, point3};
    sink->AddBezier(&segment);
}

ComPtr<ID2D1Bitmap> CreateBitmap(ID2D1RenderTarget* target, std::uint32_t width, std::uint32_t height,
                                 std::span<const std::uint8_t> pixels) {
    D2D1_BITMAP_PROPERTIES properties{};
    properties.pixelFormat.format = DXGI_FORMAT_B8G8R8A8_UNORM;
    properties.pixelFormat.alphaMode = D2D1_ALPHA_MODE_PREMULTIPLIED;
    properties.dpiX = 96.0f;
    properties.dpiY = 96.0f;
    // Direct2D reads height rows of width x 4 bytes; a shorter buffer would be read past its end.
    const std::uint64_t needed = static_cast<std::uint64_t>(width) * height * 4;
    if (!pixels.empty() && pixels.size() < needed)
        throw ArgumentException(L"The pixel buffer is shorter than width × height × 4 bytes.");
    ComPtr<ID2D1Bitmap> bitmap;
    ThrowIfFailed(target->CreateBitmap(D2D1_SIZE_U{width, height}, pixels.empty() ? nullptr : pixels.data(), width * 4,
                                       &properties, bitmap.GetAddressOf()));
    return bitmap;
}

ComPtr<ID2D1SolidColorBrush> CreateSolidColorBrush(ID2D1RenderTarget* target, ColorF color) {
    const D2D1_COLOR_F value = color.ToD2D();
    ComPtr<ID2D1SolidColorBrush> brush;
    ThrowIfFailed(target->CreateSolidColorBrush(&value, nullptr, brush.GetAddressOf()));
    return brush;
}

void FillRectangle(ID2D1RenderTarget* target, const D2D1_RECT_F& rect, ID2D1Brush* brush) {
    target->FillRectangle(&rect, brush);
}

void FillEllipse(ID2D1RenderTarget* target, const D2D1_ELLIPSE& ellipse, ID2D1Brush* brush) {
    target->FillEllipse(&ellipse, brush);
}

void DrawTextLayout(ID2D1RenderTarget* target, D2D1_POINT_2F origin, IDWriteTextLayout* layout, ID2D1Brush* brush) {
    target->DrawTextLayout(origin, layout, brush, D2D1_DRAW_TEXT_OPTIONS_NONE);
}

void SetTextAntialiasMode(ID2D1RenderTarget* target, D2D1_TEXT_ANTIALIAS_MODE mode) {
    target->SetTextAntialiasMode(mode);
}

void PushLayer(ID2D1RenderTarget* target, ID2D1Geometry* mask) {
    constexpr float infinity = std::numeric_limits<float>::infinity();
    D2D1_LAYER_PARAMETERS parameters{};
    parameters.contentBounds = D2D1_RECT_F{-infinity, -infinity, infinity, infinity};
    parameters.geometricMask = mask;
    parameters.maskAntialiasMode = D2D1_ANTIALIAS_MODE_PER_PRIMITIVE;
    parameters.maskTransform = Matrix3x2F::Identity().ToD2D();
    parameters.opacity = 1.0f;
    parameters.opacityBrush = nullptr;
    parameters.layerOptions = D2D1_LAYER_OPTIONS_NONE;
    target->PushLayer(&parameters, nullptr);
}

void PopLayer(ID2D1RenderTarget* target) { target->PopLayer(); }

void PushAxisAlignedClip(ID2D1RenderTarget* target, const D2D1_RECT_F& rect) {
    target->PushAxisAlignedClip(&rect, D2D1_ANTIALIAS_MODE_PER_PRIMITIVE);
}

void PopAxisAlignedClip(ID2D1RenderTarget* target) { target->PopAxisAlignedClip(); }

void Clear(ID2D1RenderTarget* target, ColorF color) {
    const D2D1_COLOR_F value = color.ToD2D();
    target->Clear(&value);
}

void BeginDraw(ID2D1RenderTarget* target) { target->BeginDraw(); }

void SetDpi(ID2D1RenderTarget* target, float dpi) { target->SetDpi(dpi, dpi); }

ComPtr<IDWriteTextFormat> CreateTextFormat(IDWriteFactory* factory, const wchar_t* family, float size,
                                           DWRITE_FONT_WEIGHT weight, DWRITE_FONT_STYLE style) {
    ComPtr<IDWriteTextFormat> format;
    ThrowIfFailed(factory->CreateTextFormat(family, nullptr, weight, style, DWRITE_FONT_STRETCH_NORMAL, size, L"ru-ru",
                                            format.GetAddressOf()));
    return format;
}

ComPtr<IDWriteTextLayout> CreateTextLayout(IDWriteFactory* factory, std::wstring_view text, IDWriteTextFormat* format,
                                           float maxWidth, float maxHeight) {
    static constexpr wchar_t empty[] = L"";
    ComPtr<IDWriteTextLayout> layout;
    ThrowIfFailed(factory->CreateTextLayout(text.empty() ? empty : text.data(), static_cast<UINT32>(text.size()),
                                            format, maxWidth, maxHeight, layout.GetAddressOf()));
    return layout;
}

ComPtr<IDWriteInlineObject> CreateEllipsisTrimmingSign(IDWriteFactory* factory, IDWriteTextFormat* format) {
    ComPtr<IDWriteInlineObject> sign;
    ThrowIfFailed(factory->CreateEllipsisTrimmingSign(format, sign.GetAddressOf()));
    return sign;
}

void SetTrimming(IDWriteTextFormat* format, DWRITE_TRIMMING_GRANULARITY granularity, IDWriteInlineObject* sign) {
    const DWRITE_TRIMMING trimming{granularity, 0, 0};
    ThrowIfFailed(format->SetTrimming(&trimming, sign));
}

DWRITE_TEXT_METRICS GetMetrics(IDWriteTextLayout* layout) {
    DWRITE_TEXT_METRICS metrics{};
    ThrowIfFailed(layout->GetMetrics(&metrics));
    return metrics;
}

ComPtr<IDWriteFontCollection> GetSystemFontCollection(IDWriteFactory* factory) {
    ComPtr<IDWriteFontCollection> fonts;
    ThrowIfFailed(factory->GetSystemFontCollection(fonts.GetAddressOf(), FALSE));
    return fonts;
}

bool HasFontFamily(IDWriteFontCollection* fonts, const wchar_t* family) {
    UINT32 index = 0;
    BOOL exists = FALSE;
    ThrowIfFailed(fonts->FindFamilyName(family, &index, &exists));
    return exists != FALSE;
}

std::optional<std::wstring> FirstFontFamilyName(IDWriteFontCollection* fonts) {
    if (fonts->GetFontFamilyCount() == 0) return std::nullopt;
    ComPtr<IDWriteFontFamily> family;
    ThrowIfFailed(fonts->GetFontFamily(0, family.GetAddressOf()));
    ComPtr<IDWriteLocalizedStrings> names;
    ThrowIfFailed(family->GetFamilyNames(names.GetAddressOf()));
    UINT32 index = 0;
    BOOL exists = FALSE;
    ThrowIfFailed(names->FindLocaleName(L"en-us", &index, &exists));
    if (!exists) index = 0;
    if (names->GetCount() == 0) return std::nullopt;
    UINT32 length = 0;
    ThrowIfFailed(names->GetStringLength(index, &length));
    std::wstring name(static_cast<std::size_t>(length) + 1, L'\0');
    ThrowIfFailed(names->GetString(index, name.data(), length + 1));
    name.resize(length);
    return name;
}

}  // namespace Graphics
}  // namespace Ravenquill::Interop
