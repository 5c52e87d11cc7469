#include "system_library_win32.h"

#include <exception>
#include <optional>
#include <string>

#include "system_text_win32.h"

namespace Ravenquill {

UniqueHModule LoadSystemLibrary(const wchar_t* name, LibraryLoader load) noexcept {
    UniqueHModule module(load(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (module || GetLastError() != ERROR_INVALID_PARAMETER) return module;
    try {
        std::wstring path = SystemDirectory();
        path += L'\\';
        path += name;
        module.reset(load(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    } catch (const std::exception&) {
        // No system directory to name (or no memory for its path): the DLL stays unloaded.
    }
    return module;
}

}  // namespace Ravenquill
