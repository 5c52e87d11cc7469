#include <windows.h>

#include "core/common/long_path.h"
#include "core/model/file_probe.h"

namespace Ravenquill::Core::Detail {
namespace {

DWORD AttributesOf(const std::wstring& path) {
    if (path.empty() || path.find(L'\0') != std::wstring::npos) return INVALID_FILE_ATTRIBUTES;
    return GetFileAttributesW(LongPath(path).c_str());
}

}  // namespace

bool FileExists(const std::wstring& path) {
    const DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const std::wstring& path) {
    const DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace Ravenquill::Core::Detail
