// Another program that holds a file open, as an editor or a scanner may hold an installation's
// record: "hold-file PATH SECONDS" opens the existing file for reading, shared with nobody, and
// keeps it open for that many seconds (60 when none is given), or until it is ended.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    const DWORD seconds = argc > 2 ? static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)) : 60;
    const HANDLE file = CreateFileW(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 3;
    Sleep(seconds * 1000);
    CloseHandle(file);
    return 0;
}
