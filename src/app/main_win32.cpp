// The process entry of the installer: hardens the process before anything can load a DLL, joins the
// multithreaded COM apartment, hands the arguments to Program::Main and ends the process with its
// result. A failure that escapes the chosen mode ends here, reported, never in std::terminate.
#include <windows.h>

#include <atomic>
#include <exception>
#include <optional>
#include <string>

#include "app/process_end_win32.h"
#include "app/program.h"
#include "app/standard_error.h"
#include "core/common/com_apartment_win32.h"
#include "core/common/command_line_win32.h"
#include "core/common/errors.h"

namespace {

using namespace Ravenquill;

// Set once the arguments are known: a failure in the wizard is also shown where a user can read it.
std::atomic<bool> failureNeedsWindow = false;

// Installers are run from download folders, where a planted DLL may wait: from here on a DLL that
// is not a known system DLL comes from the system directory only. Looked up by name because
// Windows 7 has the call only with an update; without it the current directory at least leaves
// the search.
void RestrictDllSearchToSystemDirectory() noexcept {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefaultDllDirectories != nullptr && setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    SetDllDirectoryW(L"");
}

void ReportFailure(const std::exception_ptr& failure) noexcept {
    const std::wstring message = MessageOf(failure);
    WriteStandardErrorLine(L"Ошибка: " + message);
    if (failureNeedsWindow) MessageBoxW(nullptr, message.c_str(), L"Ошибка", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

// Reached by a failure that leaves a thread or a noexcept function: reported as the entry reports
// one, with exit code 1, instead of an abort.
[[noreturn]] void EndOnUnhandledFailure() noexcept {
    if (const std::exception_ptr failure = std::current_exception())
        ReportFailure(failure);
    else
        WriteStandardErrorLine(L"Ошибка: " + std::wstring(UnknownFailureMessage));
    Program::EndProcess(1);
}

}  // namespace

// The run-time's default terminate handler prints the failure's demangled type: replacing it keeps
// the demangler (some 45 KB) out of the program. Reached only before wWinMain sets its own.
namespace __gnu_cxx {
void __verbose_terminate_handler() { EndOnUnhandledFailure(); }
}  // namespace __gnu_cxx

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    RestrictDllSearchToSystemDirectory();
    HeapSetInformation(nullptr, HeapEnableTerminationOnCorruption, nullptr, 0);
    std::set_terminate(EndOnUnhandledFailure);
    int exitCode = 1;
    // The main thread stays in the multithreaded apartment until the process ends: EndProcess
    // returns never, so the owner is never destroyed while thread-pool work may still use COM.
    std::optional<ComApartment> apartment;
    try {
        apartment.emplace(ApartmentKind::MultiThreaded);
        const Program::CommandLine commandLine = Program::ParseCommandLine(ProcessArguments());
        failureNeedsWindow = Program::ChooseMode(commandLine) == Program::Mode::Wizard;
        exitCode = Program::Main(commandLine);
    } catch (...) {
        ReportFailure(std::current_exception());
        exitCode = 1;
    }
    Program::EndProcess(exitCode);
}
