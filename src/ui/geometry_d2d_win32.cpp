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
    result.Geometry = Interop::Graphics::CreatePathGeometry(factory);
    const Microsoft::WRL::ComPtr<ID2D1GeometrySink> sink = Interop::Graphics::Open(result.Geometry.Get());
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

}  // namespace Ravenquill::Ui::Geometry
