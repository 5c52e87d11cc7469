#include "file_system.h"

#include "errors.h"
#include "file_system_platform.h"
#include "path.h"

namespace Ravenquill::FileSystem {

std::vector<std::wstring> CreateDirectories(const std::wstring& path) {
    if (path.find(L'\0') != std::wstring::npos) throw ArgumentException(L"Null character in path.");
    std::vector<std::wstring> missing;
    std::wstring current(Path::TrimEndingSeparators(path));
    while (!current.empty() && !DirectoryExists(current)) {
        missing.push_back(current);
        const std::wstring parent = Path::GetDirectoryName(current);
        if (parent == current) break;
        current = parent;
    }
    std::vector<std::wstring> made;
    // A folder made meanwhile by someone else is not ours to list.
    for (auto it = missing.rbegin(); it != missing.rend(); ++it)
        if (Detail::CreateOneDirectory(*it)) made.push_back(*it);
    return made;
}

}  // namespace Ravenquill::FileSystem
