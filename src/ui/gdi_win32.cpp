#include "ui/gdi_win32.h"

namespace Ravenquill::Interop::Win32 {

BITMAPINFOHEADER TopDownDibHeader(std::int32_t width, std::int32_t height) noexcept {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = -height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    return header;
}

DibSection CreateTopDownDibSection(HDC dc, std::int32_t width, std::int32_t height) noexcept {
    // A 32-bit BI_RGB bitmap has no colour table, so the header alone is a whole BITMAPINFO.
    BITMAPINFO info{};
    info.bmiHeader = TopDownDibHeader(width, height);
    DibSection dib;
    void* bits = nullptr;
    dib.Bitmap.reset(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (dib.Bitmap) dib.Bits = bits;
    return dib;
}

}  // namespace Ravenquill::Interop::Win32
