#pragma once
// A drive letter that stands for a folder until it is taken away, as a removable disk or a mapped
// share is. Windows maps it with DefineDosDeviceW; Wine's DefineDosDeviceW makes a name that no
// file call follows, so under Wine the mount manager maps it, as Wine's own configuration tool
// does (a Wine-only control code, only ever sent by this test helper).
#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace Ravenquill::Core::Testing {

class ScopedDrive {
public:
    // Maps the first free letter from Q on to the folder; Letter() is 0 when none could be mapped.
    explicit ScopedDrive(const std::filesystem::path& folder) {
        std::filesystem::create_directories(folder);
        const DWORD used = GetLogicalDrives();
        for (wchar_t letter = L'Q'; letter <= L'Y' && letter_ == 0; ++letter) {
            if (used & (1u << (letter - L'A'))) continue;
            if (MapWithDosDevice(letter, folder) || MapWithWineMountManager(letter, folder)) letter_ = letter;
        }
    }
    ~ScopedDrive() { Remove(); }
    ScopedDrive(const ScopedDrive&) = delete;
    ScopedDrive& operator=(const ScopedDrive&) = delete;

    wchar_t Letter() const { return letter_; }
    // "Q:\" for the letter Q.
    std::filesystem::path Root() const { return std::wstring{letter_, L':', L'\\'}; }

    // The drive is gone from here on; the folder it stood for stays.
    void Remove() {
        if (letter_ == 0) return;
        const std::wstring name{letter_, L':'};
        if (byWine_)
            WineMountManager(letter_, nullptr);
        else
            DefineDosDeviceW(DDD_REMOVE_DEFINITION, name.c_str(), nullptr);
        letter_ = 0;
    }

private:
    bool MapWithDosDevice(wchar_t letter, const std::filesystem::path& folder) {
        const std::wstring name{letter, L':'};
        if (!DefineDosDeviceW(0, name.c_str(), folder.c_str())) return false;
        if (GetFileAttributesW(Root(letter).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
        DefineDosDeviceW(DDD_REMOVE_DEFINITION, name.c_str(), nullptr);
        return false;
    }

    bool MapWithWineMountManager(wchar_t letter, const std::filesystem::path& folder) {
        using UnixName = char*(CDECL*)(const wchar_t*);
        const auto unixName = reinterpret_cast<UnixName>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
        if (unixName == nullptr) return false;
        char* name = unixName(folder.c_str());
        if (name == nullptr) return false;
        const std::string target = name;
        HeapFree(GetProcessHeap(), 0, name);
        if (!WineMountManager(letter, target.c_str())) return false;
        if (GetFileAttributesW(Root(letter).c_str()) == INVALID_FILE_ATTRIBUTES) {
            // A mapping that does not answer would stay in the prefix for later runs.
            WineMountManager(letter, nullptr);
            return false;
        }
        byWine_ = true;
        return true;
    }

    // Wine's mount manager request for a drive letter over a Unix folder (none: no drive).
    static bool WineMountManager(wchar_t letter, const char* unixFolder) {
        struct UnixDrive {
            ULONG Size;
            ULONG Type;
            ULONG FileSystemType;
            DWORD Serial;
            ULONGLONG UnixDevice;
            WCHAR Letter;
            USHORT MountPointOffset;
            USHORT DeviceOffset;
            USHORT LabelOffset;
        };
        constexpr DWORD DefineUnixDrive = CTL_CODE(0x6D, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
        const HANDLE manager = CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (manager == INVALID_HANDLE_VALUE) return false;
        std::vector<char> request(sizeof(UnixDrive) + (unixFolder ? std::strlen(unixFolder) + 1 : 0));
        auto* drive = reinterpret_cast<UnixDrive*>(request.data());
        drive->Size = static_cast<ULONG>(request.size());
        drive->Letter = static_cast<WCHAR>(letter - L'A' + L'a');
        drive->Type = unixFolder ? DRIVE_FIXED : DRIVE_NO_ROOT_DIR;
        if (unixFolder) {
            std::strcpy(request.data() + sizeof(UnixDrive), unixFolder);
            drive->MountPointOffset = sizeof(UnixDrive);
        }
        DWORD returned = 0;
        const BOOL done = DeviceIoControl(manager, DefineUnixDrive, request.data(), static_cast<DWORD>(request.size()),
                                          nullptr, 0, &returned, nullptr);
        CloseHandle(manager);
        return done != FALSE;
    }

    static std::wstring Root(wchar_t letter) { return std::wstring{letter, L':', L'\\'}; }

    wchar_t letter_ = 0;
    bool byWine_ = false;
};

}  // namespace Ravenquill::Core::Testing
