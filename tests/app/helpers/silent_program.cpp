// The program as an elevated relaunch starts it, for the tests that copy it into a setup folder:
// the entry routine over the process's arguments, nothing more.
#include <objbase.h>
#include <shellapi.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/program.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    int count = 0;
    LPWSTR* items = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> arguments;
    for (int i = 1; i < count; ++i) arguments.emplace_back(items[i]);
    LocalFree(items);
    try {
        return Ravenquill::Program::Main(arguments);
    } catch (...) {
        return 99;
    }
}
