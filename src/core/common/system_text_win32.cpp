#include "system_text_win32.h"

#include "win32_error.h"

namespace Ravenquill {

std::wstring SystemDirectory() {
    const std::optional<std::wstring> path = GrowingText([](wchar_t* buffer, std::size_t capacity) -> BufferCallResult {
        return LengthOrFailure(GetSystemDirectoryW(buffer, static_cast<UINT>(capacity)));
    });
    if (!path) ThrowLastWin32Error(L"GetSystemDirectoryW");
    return *path;
}

std::wstring ModuleFileName() {
    // The call cuts a long path short and says so only by filling the whole buffer.
    const std::optional<std::wstring> path = GrowingText([](wchar_t* buffer, std::size_t capacity) -> BufferCallResult {
        return LengthOrFailure(GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(capacity)));
    });
    if (!path) ThrowLastWin32Error(L"GetModuleFileNameW");
    return *path;
}

std::wstring FullPathName(const std::wstring& path) {
    const std::optional<std::wstring> full =
        GrowingText([&](wchar_t* buffer, std::size_t capacity) -> BufferCallResult {
            return LengthOrFailure(GetFullPathNameW(path.c_str(), static_cast<DWORD>(capacity), buffer, nullptr));
        });
    if (!full) ThrowLastWin32Error(path);
    return *full;
}

std::wstring TempPath() {
    const std::optional<std::wstring> path = GrowingText(
        [](wchar_t* buffer, std::size_t capacity) -> BufferCallResult {
            return LengthOrFailure(GetTempPathW(static_cast<DWORD>(capacity), buffer));
        },
        MAX_PATH + 1);
    if (!path) ThrowLastWin32Error(L"GetTempPathW");
    return *path;
}

std::optional<std::wstring> LongPathName(const std::wstring& path) {
    return GrowingText(
        [&](wchar_t* buffer, std::size_t capacity) -> BufferCallResult {
            return LengthOrFailure(GetLongPathNameW(path.c_str(), buffer, static_cast<DWORD>(capacity)));
        },
        path.size() + 1);
}

std::optional<std::wstring> ExpandEnvironmentText(std::wstring_view text) {
    const std::wstring source(text);
    return GrowingText(
        [&](wchar_t* buffer, std::size_t capacity) -> BufferCallResult {
            // The size it needs, its terminator counted, whether or not the text fitted.
            const DWORD needed = ExpandEnvironmentStringsW(source.c_str(), buffer, static_cast<DWORD>(capacity));
            if (needed == 0) return std::nullopt;
            return needed <= capacity ? needed - 1 : needed;
        },
        source.size() + 1);
}

std::optional<std::wstring> ProcessImagePath(HANDLE process) {
    return GrowingText(
        [&](wchar_t* buffer, std::size_t capacity) -> BufferCallResult {
            DWORD size = static_cast<DWORD>(capacity);
            if (QueryFullProcessImageNameW(process, 0, buffer, &size)) return size;
            if (GetLastError() == ERROR_INSUFFICIENT_BUFFER) return capacity;
            return std::nullopt;
        },
        MAX_PATH, MAX_PATH << 5);
}

}  // namespace Ravenquill
