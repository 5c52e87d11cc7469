// The process entry of the installer: hardens the process before anything can load a DLL, joins the
// multithreaded COM apartment, hands the arguments to Program::Main and ends the process with its
// result. A failure that escapes the chosen mode ends here, reported, never in std::terminate.
#include <windows.h>

#include <objbase.h>
#include <shellapi.h>

#include <atomic>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/standard_error.h"
#include "core/common/errors.h"
#include "core/common/text.h"
#include "core/common/win32_error.h"
#include "core/model/command_line_options.h"

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

void JoinMultithreadedApartment() {
    const HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(result)) {
        wchar_t code[16] = {};
        std::swprintf(code, 16, L"0x%08X", static_cast<unsigned>(result));
        throw PlatformException(L"CoInitializeEx: " + std::wstring(code), static_cast<std::uint32_t>(result));
    }
}

struct LocalFreeDeleter {
    void operator()(void* memory) const noexcept { LocalFree(memory); }
};

// The arguments after the program path, split as every Windows program splits them.
std::vector<std::wstring> CommandLineArguments() {
    int count = 0;
    const std::unique_ptr<wchar_t*, LocalFreeDeleter> argv(CommandLineToArgvW(GetCommandLineW(), &count));
    ThrowLastWin32ProcessErrorIf(argv == nullptr, L"CommandLineToArgvW");
    std::vector<std::wstring> arguments;
    for (int i = 1; i < count; ++i) arguments.emplace_back(argv.get()[i]);
    return arguments;
}

// Main's own order: help, then the screenshot mode, then the silent run, otherwise the wizard.
bool RunsWizard(const std::vector<std::wstring>& arguments) {
    const Core::CommandLineOptions options = Core::CommandLineOptions::Parse(arguments);
    return !options.ShowHelp && !Program::FindSelfTestDir(arguments) && !options.Silent;
}

std::wstring FailureMessage(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const Exception& e) {
        return e.Message();
    } catch (const std::exception& e) {
        return Text::FromUtf8(e.what());
    } catch (...) {
        return L"непредвиденная ошибка.";
    }
}

void ReportFailure(const std::exception_ptr& failure) noexcept {
    std::wstring message;
    try {
        message = FailureMessage(failure);
    } catch (...) {
    }
    WriteStandardErrorLine(L"Ошибка: " + message);
    if (failureNeedsWindow) MessageBoxW(nullptr, message.c_str(), L"Ошибка", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

// Ends the process without the C++ run-time's exit: ExitProcess stops every other thread first, so a
// run that the wizard's window left behind on the thread pool never meets a destroyed static object.
[[noreturn]] void EndProcess(int exitCode) noexcept {
    std::fflush(nullptr);
    ExitProcess(static_cast<UINT>(exitCode));
}

// Reached by a failure that leaves a thread or a noexcept function: reported as the entry reports
// one, with exit code 1, instead of an abort.
[[noreturn]] void EndOnUnhandledFailure() noexcept {
    if (const std::exception_ptr failure = std::current_exception())
        ReportFailure(failure);
    else
        WriteStandardErrorLine(L"Ошибка: непредвиденная ошибка.");
    EndProcess(1);
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
    try {
        JoinMultithreadedApartment();
        const std::vector<std::wstring> arguments = CommandLineArguments();
        failureNeedsWindow = RunsWizard(arguments);
        exitCode = Program::Main(arguments);
    } catch (...) {
        ReportFailure(std::current_exception());
        exitCode = 1;
    }
    EndProcess(exitCode);
}
