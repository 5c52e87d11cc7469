#pragma once
// A socket of the host system at a path of the test prefix: Wine answers every file call on such a
// name with a code that names no file error of its own (ERROR_INVALID_PARAMETER when its attributes
// are asked for, ERROR_NO_SUCH_DEVICE when it is opened), which is what a real machine gives for an
// odd volume or device. Made by the host's own Python, which Wine starts like any program.
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

namespace Ravenquill::Core::Testing {

// Something that is neither a missing name nor a file Wine can look at lies at the path.
inline bool HostSocketAt(const std::filesystem::path& path) {
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
    const DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

namespace Detail {

inline std::wstring UnixPathOf(const std::filesystem::path& path) {
    using UnixName = char*(__cdecl*)(const wchar_t*);
    const auto convert = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (convert == nullptr) return {};
    char* name = convert(path.c_str());
    if (name == nullptr) return {};
    std::wstring unixPath;
    for (const char* c = name; *c != 0; ++c) unixPath.push_back(static_cast<unsigned char>(*c));
    HeapFree(GetProcessHeap(), 0, name);
    return unixPath;
}

// Starts a host program; Wine gives no handle to wait on for one, so the caller watches for its result.
inline bool StartHostProgram(std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    if (process.hThread != nullptr) CloseHandle(process.hThread);
    if (process.hProcess != nullptr) CloseHandle(process.hProcess);
    return true;
}

template <class Condition>
bool WaitUntil(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

}  // namespace Detail

// Binds a socket at the Windows path (the host path Wine maps it to), waiting until it is there.
// False when it cannot be made (no Python on the host, or a path outside the mapped drives).
inline bool MakeHostSocket(const std::filesystem::path& path) {
    const std::wstring unixPath = Detail::UnixPathOf(path);
    if (unixPath.empty()) return false;
    if (!Detail::StartHostProgram(
            // Bound by its name in its folder: a socket's full path may hold only 108 bytes.
            L"/usr/bin/python3 -c \"import os,socket,sys; os.chdir(os.path.dirname(sys.argv[1])); "
            L"socket.socket(socket.AF_UNIX).bind(os.path.basename(sys.argv[1]))\" \"" +
            unixPath + L"\""))
        return false;
    return Detail::WaitUntil([&] { return HostSocketAt(path); });
}

// Takes the socket away again through the host, since Wine cannot delete it.
inline void RemoveHostSocket(const std::filesystem::path& path) {
    const std::wstring unixPath = Detail::UnixPathOf(path);
    if (unixPath.empty() || !Detail::StartHostProgram(L"/bin/rm -f \"" + unixPath + L"\"")) return;
    Detail::WaitUntil([&] { return !HostSocketAt(path); });
}

}  // namespace Ravenquill::Core::Testing
