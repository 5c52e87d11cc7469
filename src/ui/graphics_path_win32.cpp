#include "graphics_path_win32.h"

namespace Ravenquill::Ui::Geometry {
namespace {

D2D1_POINT_2F ToD2D(PathPoint p) noexcept { return D2D1_POINT_2F{p.X, p.Y}; }

}  // namespace

std::pair<Interop::ComPtr<ID2D1PathGeometry>, Rect> BuildPathGeometry(ID2D1Factory* factory, std::wstring_view path) {
    namespace Graphics = Interop::Graphics;
    // Parsed first, so a text that does not parse leaves no half-made geometry behind. Segments
    // before the first move are already dropped: the platform would refuse the whole geometry.
    const ParsedPath parsed = ParsePath(path);
    Interop::ComPtr<ID2D1PathGeometry> geometry = Graphics::CreatePathGeometry(factory);
    Interop::ComPtr<ID2D1GeometrySink> sink = Graphics::Open(geometry.Get());
    for (const PathFigure& figure : parsed.Figures) {
        sink->BeginFigure(ToD2D(figure.Start), D2D1_FIGURE_BEGIN_HOLLOW);
        for (const PathSegment& segment : figure.Segments) {
            if (segment.Kind == PathSegmentKind::Line)
                sink->AddLine(ToD2D(segment.Points[0]));
            else
                Graphics::AddBezier(sink.Get(), ToD2D(segment.Points[0]), ToD2D(segment.Points[1]),
                                    ToD2D(segment.Points[2]));
        }
        Graphics::EndFigure(sink.Get(), figure.Closed ? D2D1_FIGURE_END_CLOSED : D2D1_FIGURE_END_OPEN);
    }
    Graphics::Close(sink.Get());
    return {std::move(geometry), parsed.Bounds};
}

}  // namespace Ravenquill::Ui::Geometry
