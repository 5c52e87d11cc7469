#include "command_line_win32.h"

#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include "unique_handle.h"
#include "win32_error.h"

namespace Ravenquill {

std::vector<std::wstring> SplitCommandLine(const wchar_t* commandLine) {
    int count = 0;
    const UniqueLocalMemory<wchar_t*> items(CommandLineToArgvW(commandLine, &count));
    ThrowLastWin32ProcessErrorIf(items == nullptr, L"CommandLineToArgvW");
    return std::vector<std::wstring>(items.get(), items.get() + count);
}

std::vector<std::wstring> ProcessArguments() {
    std::vector<std::wstring> items = SplitCommandLine(GetCommandLineW());
    if (!items.empty()) items.erase(items.begin());
    return items;
}

}  // namespace Ravenquill
