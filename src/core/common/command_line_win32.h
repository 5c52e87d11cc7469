#pragma once
// The platform's own split of a command line. Windows builds only.
#include <string>
#include <vector>

namespace Ravenquill {

// Every item of the command line, the program first, split as every Windows program splits them.
std::vector<std::wstring> SplitCommandLine(const wchar_t* commandLine);
// This process's arguments after the program path.
std::vector<std::wstring> ProcessArguments();

}  // namespace Ravenquill
