#include "com_apartment_win32.h"

#include <windows.h>
// after windows.h, which it needs
#include <objbase.h>

#include <utility>

#include "hresult.h"

namespace Ravenquill {
namespace {

HRESULT Enter(ApartmentKind kind) noexcept {
    const DWORD flags =
        kind == ApartmentKind::MultiThreaded ? COINIT_MULTITHREADED : COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE;
    return CoInitializeEx(nullptr, flags);
}

}  // namespace

ComApartment::ComApartment(ApartmentKind kind) {
    const HRESULT hr = Enter(kind);
    if (hr == RPC_E_CHANGED_MODE) return;
    ThrowIfFailed(hr, L"CoInitializeEx");
    entered_ = true;  // S_FALSE (already in the apartment) is balanced by CoUninitialize as well
}

std::optional<ComApartment> ComApartment::TryEnter(ApartmentKind kind) noexcept {
    if (FAILED(Enter(kind))) return std::nullopt;
    std::optional<ComApartment> apartment(ComApartment{});
    apartment->entered_ = true;
    return apartment;
}

ComApartment::ComApartment(ComApartment&& other) noexcept : entered_(std::exchange(other.entered_, false)) {}

ComApartment::~ComApartment() {
    if (entered_) CoUninitialize();
}

}  // namespace Ravenquill
