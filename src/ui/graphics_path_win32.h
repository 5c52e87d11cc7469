#pragma once
// The Direct2D geometry of a path text (the mini-language of geometry.h). Windows builds only.
#include <string_view>
#include <utility>

#include "geometry.h"
#include "graphics_win32.h"

namespace Ravenquill::Ui::Geometry {

// The geometry of every figure of the path (begun hollow, ended open unless Z closed it) and the
// bounds of every point in the text. FormatException for a text that does not parse; the graphics
// error when the geometry cannot be made.
std::pair<Interop::ComPtr<ID2D1PathGeometry>, Rect> BuildPathGeometry(ID2D1Factory* factory, std::wstring_view path);

}  // namespace Ravenquill::Ui::Geometry
