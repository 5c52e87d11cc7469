// A stand-in for the system's "timeout.exe", which the test prefix lacks: "timeout /t N" sleeps N
// seconds; other switches ("/nobreak") are accepted and ignored.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    DWORD seconds = 0;
    for (int i = 1; i + 1 < argc; ++i) {
        if (_wcsicmp(argv[i], L"/t") == 0) seconds = static_cast<DWORD>(std::wcstoul(argv[i + 1], nullptr, 10));
    }
    Sleep(seconds * 1000);
    return 0;
}
