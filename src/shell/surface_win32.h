#pragma once
// The bitmap every frame is drawn into: a top-down 32-bit DIB section selected into a memory
// context, a Direct2D DC render target drawing into it and the canvas bound to that target. Sizes
// are logical pixels and a scale; the bitmap has the scaled size in device pixels and the target's
// DPI maps logical coordinates onto it. The window presents MemDC with per-pixel alpha; the
// screenshot mode copies the pixels out. UI thread only; the factories belong to the caller and
// must outlive the surface.
//
// A frame: BeginDraw, drawing through Canvas(), EndDraw, then presenting MemDC or CopyPixels.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "ui/canvas_win32.h"
#include "ui/gdi_win32.h"
#include "ui/graphics_win32.h"

namespace Ravenquill::Shell {

class Surface {
public:
    // Device pixels of a logical size at a scale: the product in single precision, rounded up.
    static std::int32_t PixelSize(std::int32_t logical, float scale) noexcept;

    // A context, bitmap or pixel memory that cannot be made, and a render target that cannot be
    // created, raise the graphics error.
    Surface(ID2D1Factory* d2dFactory, IDWriteFactory* dwriteFactory, std::int32_t width, std::int32_t height,
            float scale);
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;
    // Frees the canvas's caches, the target, then the DIB and its context, in that order.
    ~Surface();

    const std::int32_t Width;
    const std::int32_t Height;
    const float Scale;
    const std::int32_t PixelWidth;
    const std::int32_t PixelHeight;

    Ui::D2DCanvas& Canvas() noexcept { return canvas_; }
    ID2D1DCRenderTarget* RenderTarget() const noexcept { return target_.Get(); }
    HDC MemDC() const noexcept { return memDc_.get(); }

    // Binds the target to the bitmap (renewed every frame), begins drawing with grayscale text
    // antialiasing, which suits transparent pixels, and clears to fully transparent black.
    void BeginDraw();
    // Ends the frame; a failure (D2DERR_RECREATE_TARGET among others) raises the graphics error.
    void EndDraw();

    // Makes the render target anew after the old one was lost, and binds the canvas to it with
    // empty caches. Every bitmap made on the old target (shadow, logo) must be made again.
    void RecreateTarget();

    // A copy of the pixel memory: PixelWidth × PixelHeight premultiplied BGRA pixels, top row
    // first. Drawing that GDI still holds back is flushed first.
    std::vector<std::uint8_t> CopyPixels() const;
    // The pixel at (x, y) as 0xAARRGGBB, premultiplied as stored; flushed first like CopyPixels.
    std::uint32_t Pixel(std::int32_t x, std::int32_t y) const;

private:
    void CreateTarget();

    ID2D1Factory* d2dFactory_;
    // Freed in reverse order: the canvas's caches, the target, the selection (which puts the old
    // bitmap back), the DIB, the context.
    Interop::Win32::UniqueMemoryDC memDc_;
    Interop::Win32::DibSection dib_;
    Interop::Win32::ObjectSelection selection_;
    Interop::ComPtr<ID2D1DCRenderTarget> target_;
    Ui::D2DCanvas canvas_;
};

}  // namespace Ravenquill::Shell
