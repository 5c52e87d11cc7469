#pragma once
// Our UTF-16 text to and from std::filesystem paths (UTF-16 on Windows, UTF-8 natively); tooling only.
#include <filesystem>
#include <string>

namespace Ravenquill::Tools {

std::filesystem::path ToFsPath(const std::wstring& path);
std::wstring FromFsPath(const std::filesystem::path& path);

}  // namespace Ravenquill::Tools
