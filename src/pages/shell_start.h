#pragma once
// Starting what a page offers (the website, the installed program, its folder) through the shell.
// A start the platform refuses changes nothing on the page: the user simply sees nothing open.
#include <optional>
#include <string>

#include "shell/shell_platform.h"

namespace Ravenquill::Pages {

// Ignores exactly a platform error and an invalid operation (no handler, nothing to start).
void TryStart(Shell::ShellPlatform& platform, const std::wstring& file,
              const std::optional<std::wstring>& arguments = std::nullopt,
              const std::optional<std::wstring>& workingDirectory = std::nullopt);

}  // namespace Ravenquill::Pages
