#include <objbase.h>
#include <windows.h>

#include <cstdio>

#include "core/common/errors.h"
#include "worker_apartment.h"

namespace Ravenquill::Pages {

WorkerApartment::WorkerApartment() {
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (hr == RPC_E_CHANGED_MODE) return;
    if (FAILED(hr)) {
        wchar_t code[16];
        std::swprintf(code, 16, L"0x%08X", static_cast<unsigned>(hr));
        throw PlatformException(L"CoInitializeEx failed: " + std::wstring(code), static_cast<std::uint32_t>(hr));
    }
    entered_ = true;  // S_FALSE (already in the apartment) is balanced by CoUninitialize as well
}

WorkerApartment::~WorkerApartment() {
    if (entered_) CoUninitialize();
}

}  // namespace Ravenquill::Pages
