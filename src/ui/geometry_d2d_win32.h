#pragma once
// Path texts as Direct2D path geometries. Windows builds only.
#include <d2d1.h>
#include <wrl/client.h>

#include <string_view>

#include "ui/geometry.h"
#include "ui/rect.h"

namespace Ravenquill::Ui {

struct PathGeometry {
    Microsoft::WRL::ComPtr<ID2D1PathGeometry> Geometry;
    // Geometry::PathBounds of the same text, so a cached geometry fits exactly as on its first draw.
    Rect Bounds;
};

namespace Geometry {

// The geometry of the whole text: every figure begun hollow, ended closed by Z and open otherwise.
// Lines and curves before the first M are left out (Direct2D would refuse the whole geometry), but
// count for the bounds. FormatException for a number that does not parse; GraphicsException when
// Direct2D refuses the geometry.
PathGeometry BuildPathGeometry(ID2D1Factory* factory, std::wstring_view path);

}  // namespace Geometry
}  // namespace Ravenquill::Ui
