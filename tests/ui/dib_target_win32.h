#pragma once
// A render target over the window's own off-screen surface at scale 1, so drawing tests read back
// the very pixels the product draws into. The tests bind canvases of their own to Target().
#include <cstdint>
#include <functional>

#include "shell/surface_win32.h"
#include "ui/graphics_win32.h"

namespace Ravenquill::Testing {

class DibTarget {
public:
    DibTarget(ID2D1Factory* factory, int width, int height)
        : dwrite_(Interop::Graphics::CreateDWriteFactory()), surface_(factory, dwrite_.Get(), width, height, 1.0f) {}
    DibTarget(const DibTarget&) = delete;
    DibTarget& operator=(const DibTarget&) = delete;

    ID2D1DCRenderTarget* Target() const { return surface_.RenderTarget(); }
    Shell::Surface& Surface() { return surface_; }

    // One frame: bind, begin, clear to the background, draw, end (its status checked).
    void Draw(const std::function<void()>& draw, std::uint32_t background = 0xFF000000) {
        surface_.BeginDraw();
        Interop::Graphics::Clear(surface_.RenderTarget(), Interop::ColorF(background));
        draw();
        surface_.EndDraw();
    }

    // The pixel at (x, y) as 0xAARRGGBB (premultiplied, as stored).
    std::uint32_t Pixel(int x, int y) const { return surface_.Pixel(x, y); }

private:
    Interop::ComPtr<IDWriteFactory> dwrite_;
    Shell::Surface surface_;
};

// Channels within a tolerance, for antialiased or blended pixels.
inline bool Near(std::uint32_t actual, std::uint32_t expected, int tolerance = 3) {
    for (int shift = 0; shift < 32; shift += 8) {
        const int a = static_cast<int>((actual >> shift) & 0xFF);
        const int e = static_cast<int>((expected >> shift) & 0xFF);
        if (a - e > tolerance || e - a > tolerance) return false;
    }
    return true;
}

}  // namespace Ravenquill::Testing
