#include "ui/geometry_d2d_win32.h"

#include "ui/graphics_win32.h"

namespace Ravenquill::Ui::Geometry {
namespace {

D2D1_POINT_2F ToD2D(PathPoint p) noexcept { return D2D1_POINT_2F{p.X, p.Y}; }

}  // namespace

PathGeometry BuildPathGeometry(ID2D1Factory* factory, std::wstring_view path) {
    // Parsed first, so a text that does not read fails before any platform object exists.
    const ParsedPath parsed = ParsePath(path);
    PathGeometry result;
    result.Bounds = parsed.Bounds;
    Interop::Graphics::ThrowIfFailed(factory->CreatePathGeometry(result.Geometry.GetAddressOf()));
    Microsoft::WRL::ComPtr<ID2D1GeometrySink> sink;
    Interop::Graphics::ThrowIfFailed(result.Geometry->Open(sink.GetAddressOf()));
    for (const PathFigure& figure : parsed.Figures) {
        sink->BeginFigure(ToD2D(figure.Start), D2D1_FIGURE_BEGIN_HOLLOW);
        for (const PathSegment& segment : figure.Segments) {
            if (segment.Kind == PathSegmentKind::Line) {
                sink->AddLine(ToD2D(segment.Points[0]));
            } else {
                Interop::Graphics::AddBezier(sink.Get(), ToD2D(segment.Points[0]), ToD2D(segment.Points[1]),
                                             ToD2D(segment.Points[2]));
            }
        }
        Interop::Graphics::EndFigure(sink.Get(), figure.Closed ? D2D1_FIGURE_END_CLOSED : D2D1_FIGURE_END_OPEN);
    }
    Interop::Graphics::Close(sink.Get());
    return result;
}

void StrokeFitted(ID2D1RenderTarget* target, ID2D1Geometry* geometry, const Rect& bounds, const Rect& rect,
                  ID2D1Brush* brush, float strokeWidth, ID2D1StrokeStyle* strokeStyle) {
    const auto fit = FitPath(bounds, rect);
    if (!fit) return;
    const D2D1_MATRIX_3X2_F transform = Interop::Matrix3x2F::ScaleTranslate(fit->Scale, fit->Dx, fit->Dy).ToD2D();
    target->SetTransform(&transform);
    target->DrawGeometry(geometry, brush, strokeWidth / fit->Scale, strokeStyle);
    // Everything else is drawn with the identity transform, so there is no earlier one to restore.
    const D2D1_MATRIX_3X2_F identity = Interop::Matrix3x2F::Identity().ToD2D();
    target->SetTransform(&identity);
}

}  // namespace Ravenquill::Ui::Geometry
