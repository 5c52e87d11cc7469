#include "shell/surface_win32.h"

#include <cmath>
#include <cstring>

namespace Ravenquill::Shell {
namespace {

namespace Graphics = Interop::Graphics;

// GDI calls that return nothing usable become the graphics error, with the thread's error code when
// the call left one.
[[noreturn]] void ThrowGdiFailure() {
    const DWORD error = GetLastError();
    throw Interop::GraphicsException(error != 0 ? static_cast<std::int32_t>(HRESULT_FROM_WIN32(error))
                                                : static_cast<std::int32_t>(E_FAIL));
}

}  // namespace

std::int32_t Surface::PixelSize(std::int32_t logical, float scale) noexcept {
    return static_cast<std::int32_t>(std::ceil(static_cast<float>(logical) * scale));
}

Surface::Surface(ID2D1Factory* d2dFactory, IDWriteFactory* dwriteFactory, std::int32_t width, std::int32_t height,
                 float scale)
    : Width(width),
      Height(height),
      Scale(scale),
      PixelWidth(PixelSize(width, scale)),
      PixelHeight(PixelSize(height, scale)),
      d2dFactory_(d2dFactory),
      canvas_(d2dFactory, dwriteFactory) {
    {
        const Interop::Win32::ScreenDC screen;
        SetLastError(0);
        memDc_.reset(CreateCompatibleDC(screen.get()));
    }
    if (!memDc_) ThrowGdiFailure();
    SetLastError(0);
    dib_ = Interop::Win32::CreateTopDownDibSection(memDc_.get(), PixelWidth, PixelHeight);
    if (!dib_.Bitmap || dib_.Bits == nullptr) ThrowGdiFailure();
    SetLastError(0);
    selection_ = Interop::Win32::ObjectSelection(memDc_.get(), dib_.Bitmap.get());
    if (!selection_) ThrowGdiFailure();
    CreateTarget();
}

Surface::~Surface() {
    canvas_.Dispose();
    canvas_.SetTarget(nullptr);
}

void Surface::CreateTarget() {
    D2D1_RENDER_TARGET_PROPERTIES properties{};
    properties.type = D2D1_RENDER_TARGET_TYPE_HARDWARE;
    properties.pixelFormat = D2D1_PIXEL_FORMAT{DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED};
    properties.dpiX = 96;
    properties.dpiY = 96;
    properties.usage = D2D1_RENDER_TARGET_USAGE_GDI_COMPATIBLE;
    properties.minLevel = D2D1_FEATURE_LEVEL_DEFAULT;
    target_ = Graphics::CreateDCRenderTarget(d2dFactory_, properties);
    // One logical pixel covers Scale device pixels.
    Graphics::SetDpi(target_.Get(), 96.0f * Scale);
    canvas_.SetTarget(target_.Get());
}

void Surface::RecreateTarget() {
    // The cached brushes belong to the lost target; the rest is made again as well, so nothing of
    // the old device stays in use.
    canvas_.Dispose();
    canvas_.SetTarget(nullptr);
    target_.Reset();
    CreateTarget();
}

void Surface::BeginDraw() {
    const RECT bounds{0, 0, PixelWidth, PixelHeight};
    Graphics::ThrowIfFailed(target_->BindDC(memDc_.get(), &bounds));
    Graphics::BeginDraw(target_.Get());
    Graphics::SetTextAntialiasMode(target_.Get(), D2D1_TEXT_ANTIALIAS_MODE_GRAYSCALE);
    Graphics::Clear(target_.Get(), Interop::ColorF());
}

void Surface::EndDraw() { Graphics::ThrowIfFailed(target_->EndDraw(nullptr, nullptr)); }

std::vector<std::uint8_t> Surface::CopyPixels() const {
    // GDI may batch drawing into the DIB; its memory is only current once the batch is flushed.
    GdiFlush();
    const std::size_t size = static_cast<std::size_t>(PixelWidth) * static_cast<std::size_t>(PixelHeight) * 4;
    std::vector<std::uint8_t> pixels(size);
    std::memcpy(pixels.data(), dib_.Bits, size);
    return pixels;
}

std::uint32_t Surface::Pixel(std::int32_t x, std::int32_t y) const {
    GdiFlush();
    return static_cast<const std::uint32_t*>(dib_.Bits)[static_cast<std::size_t>(y) * PixelWidth + x];
}

}  // namespace Ravenquill::Shell
