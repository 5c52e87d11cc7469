#pragma once
// A Direct2D DC render target over a top-down 32-bit DIB section, as the window's surface makes
// it, so drawing tests can read back the pixels they drew.
#include <windows.h>

#include <cstdint>
#include <functional>

#include "ui/gdi_win32.h"
#include "ui/graphics_win32.h"

namespace Ravenquill::Testing {

class DibTarget {
public:
    DibTarget(ID2D1Factory* factory, int width, int height) : width_(width), height_(height) {
        {
            const Interop::Win32::ScreenDC screen;
            memDc_.reset(CreateCompatibleDC(screen.get()));
        }
        dib_ = Interop::Win32::CreateTopDownDibSection(memDc_.get(), width, height);
        selection_ = Interop::Win32::ObjectSelection(memDc_.get(), dib_.Bitmap.get());
        if (!selection_) throw InvalidOperationException(L"No DIB section could be made for the test target.");
        D2D1_RENDER_TARGET_PROPERTIES properties{};
        properties.type = D2D1_RENDER_TARGET_TYPE_DEFAULT;
        properties.pixelFormat = D2D1_PIXEL_FORMAT{DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED};
        properties.dpiX = 96;
        properties.dpiY = 96;
        properties.usage = D2D1_RENDER_TARGET_USAGE_GDI_COMPATIBLE;
        properties.minLevel = D2D1_FEATURE_LEVEL_DEFAULT;
        target_ = Interop::Graphics::CreateDCRenderTarget(factory, properties);
    }
    DibTarget(const DibTarget&) = delete;
    DibTarget& operator=(const DibTarget&) = delete;

    ID2D1DCRenderTarget* Target() const { return target_.Get(); }

    // One frame: bind, begin, clear to the background, draw, end (its status checked).
    void Draw(const std::function<void()>& draw, std::uint32_t background = 0xFF000000) {
        const RECT bounds{0, 0, width_, height_};
        Interop::Graphics::ThrowIfFailed(target_->BindDC(memDc_.get(), &bounds));
        Interop::Graphics::BeginDraw(target_.Get());
        Interop::Graphics::Clear(target_.Get(), Interop::ColorF(background));
        draw();
        Interop::Graphics::ThrowIfFailed(target_->EndDraw(nullptr, nullptr));
    }

    // The pixel at (x, y) as 0xAARRGGBB (premultiplied, as stored).
    std::uint32_t Pixel(int x, int y) const {
        GdiFlush();
        return static_cast<const std::uint32_t*>(dib_.Bits)[y * width_ + x];
    }

private:
    int width_;
    int height_;
    // Freed in the platform's order: the target, the selection, the bitmap, the context.
    Interop::Win32::UniqueMemoryDC memDc_;
    Interop::Win32::DibSection dib_;
    Interop::Win32::ObjectSelection selection_;
    Interop::ComPtr<ID2D1DCRenderTarget> target_;
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
