#pragma once
// Owners of the GDI objects the off-screen surface and the presentation use, so every context and
// bitmap is freed in the platform's order on every path. Windows builds only.
#include <windows.h>

#include <cstdint>
#include <utility>

#include "core/common/unique_handle.h"

namespace Ravenquill::Interop::Win32 {

// Traits of UniqueAny for a GDI handle that is null when there is none and is given back with Free.
template <class H, void (*Free)(H) noexcept>
struct GdiTraits {
    using Handle = H;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { Free(h); }
};

inline void DeleteMemoryDC(HDC dc) noexcept { DeleteDC(dc); }
inline void DeleteBitmap(HBITMAP bitmap) noexcept { DeleteObject(bitmap); }
inline void ReleaseScreenDC(HDC dc) noexcept { ReleaseDC(nullptr, dc); }

// A context from CreateCompatibleDC, deleted with DeleteDC.
using UniqueMemoryDC = UniqueAny<GdiTraits<HDC, DeleteMemoryDC>>;
// A bitmap deleted with DeleteObject; it must no longer be selected into a context by then.
using UniqueBitmap = UniqueAny<GdiTraits<HBITMAP, DeleteBitmap>>;

// The screen's device context (GetDC of window 0) for one scope; released also when an error
// leaves the scope, as a presentation that fails must still give the context back.
class ScreenDC : public UniqueAny<GdiTraits<HDC, ReleaseScreenDC>> {
public:
    ScreenDC() noexcept : UniqueAny(GetDC(nullptr)) {}
};

// An object selected into a context; the object it replaced is selected back on destruction, so
// the selected one can then be deleted. Declare it after the owners of the context and the object.
class ObjectSelection {
public:
    ObjectSelection() noexcept = default;
    ObjectSelection(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(SelectObject(dc, object)) {
        if (previous_ == nullptr || previous_ == HGDI_ERROR) dc_ = nullptr, previous_ = nullptr;
    }
    ~ObjectSelection() { Restore(); }
    ObjectSelection(ObjectSelection&& other) noexcept
        : dc_(std::exchange(other.dc_, nullptr)), previous_(std::exchange(other.previous_, nullptr)) {}
    ObjectSelection& operator=(ObjectSelection&& other) noexcept {
        if (this != &other) {
            Restore();
            dc_ = std::exchange(other.dc_, nullptr);
            previous_ = std::exchange(other.previous_, nullptr);
        }
        return *this;
    }

    explicit operator bool() const noexcept { return dc_ != nullptr; }
    void Restore() noexcept {
        if (dc_ != nullptr) SelectObject(dc_, previous_);
        dc_ = nullptr;
        previous_ = nullptr;
    }

private:
    HDC dc_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

// The header of a 32-bit BI_RGB DIB whose first row in memory is the top row of the image (a
// negative height), with no colour table.
BITMAPINFOHEADER TopDownDibHeader(std::int32_t width, std::int32_t height) noexcept;

struct DibSection {
    UniqueBitmap Bitmap;
    // width × height × 4 bytes, B, G, R, A, top row first; owned by Bitmap.
    void* Bits = nullptr;
};

// A top-down 32-bit DIB section for the context (DIB_RGB_COLORS, no file mapping). An empty
// Bitmap when the platform refuses it.
DibSection CreateTopDownDibSection(HDC dc, std::int32_t width, std::int32_t height) noexcept;

}  // namespace Ravenquill::Interop::Win32
