// Help that a script or a person can see: a GUI program has no console of its own, so the text goes
// to a redirected standard output ("setup.exe --help > usage.txt"), else to the console of the
// parent process, else nowhere.
#include <windows.h>

#include <string>

#include "app/console_output_win32.h"
#include "app/program.h"
#include "core/common/unique_handle.h"

namespace Ravenquill::Program {

void PrintUsage() {
    try {
        const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
        if (Detail::IsRedirected(output)) {
            std::wstring text(UsageText());
            text += L"\r\n";
            Detail::WriteText(output, text);
            return;
        }
        // Access denied: this process already has a console (one inherited or allocated before).
        if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED) return;
        const UniqueFileHandle console(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                                   nullptr));
        if (!console) return;
        // The empty line parts the text from the prompt that the shell has already printed.
        std::wstring text = L"\r\n";
        text += UsageText();
        text += L"\r\n";
        Detail::WriteText(console.get(), text);
    } catch (...) {
        // The help's exit code is 0 whether or not anything could be shown.
    }
}

}  // namespace Ravenquill::Program
