#pragma once
// Loading a DLL that is not a known system DLL from the system directory only, so that a DLL
// planted beside the executable (a download folder) is never used. Windows builds only.
#include <windows.h>

#include "unique_handle.h"

namespace Ravenquill {

// How a DLL is asked for: LoadLibraryExW's form, so that a test can stand in for a loader that
// lacks the search flags.
using LibraryLoader = HMODULE(WINAPI*)(LPCWSTR file, HANDLE reserved, DWORD flags);

// The DLL loaded from the system directory; none, with the last error set, when it cannot be. A
// system without the extended DLL search (Windows 7 without its 2011 loader update) refuses the
// search flag; the DLL's full path in the system directory is the platform's fallback there, just
// as safe from a planted DLL.
UniqueHModule LoadSystemLibrary(const wchar_t* name, LibraryLoader load = LoadLibraryExW) noexcept;

}  // namespace Ravenquill
