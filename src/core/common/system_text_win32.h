#pragma once
// Texts the system writes into a caller's buffer (directories, paths, expanded variables), each
// behind one named call over the one ask-for-size, allocate, call-again loop. Windows builds only.
#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace Ravenquill {

// What one call into the buffer gave: the length it wrote (less than the capacity) when the text
// fits, else the capacity it needs (the capacity itself for a text cut short, which doubles it);
// nothing when it failed, the last error left as the call set it.
using BufferCallResult = std::optional<std::size_t>;

// The one ask-for-size, allocate, call-again loop: the text that call(buffer, capacity) writes,
// asked for with a buffer that grows until the text fits. Nothing when the call fails or would
// need more than maxCapacity units.
template <class Call>
std::optional<std::wstring> GrowingText(Call call, std::size_t capacity = MAX_PATH,
                                        std::size_t maxCapacity = std::wstring().max_size()) {
    std::wstring text(capacity, L'\0');
    for (;;) {
        const BufferCallResult result = call(text.data(), text.size());
        if (!result) return std::nullopt;
        if (*result < text.size()) {
            text.resize(*result);
            return text;
        }
        const std::size_t next = *result > text.size() ? *result : text.size() * 2;
        if (next > maxCapacity) return std::nullopt;
        text.resize(next);
    }
}

// The result of a call that returns 0 for a failure and otherwise the length or the size needed.
inline BufferCallResult LengthOrFailure(std::size_t length) {
    return length == 0 ? std::nullopt : BufferCallResult(length);
}

// The system directory ("C:\Windows\system32"); the last error as an exception when it fails.
std::wstring SystemDirectory();
// The full path of the running executable; the last error as an exception when it fails.
std::wstring ModuleFileName();
// GetFullPathNameW of the path; the last error (with the path) as an exception when it fails.
std::wstring FullPathName(const std::wstring& path);
// GetTempPathW: the folder for temporary files, with its trailing separator.
std::wstring TempPath();
// The text with its %variables% expanded; nothing when the platform refuses (a result past its
// limit).
std::optional<std::wstring> ExpandEnvironmentText(std::wstring_view text);
// The full path of a process's image; nothing when it cannot be read.
std::optional<std::wstring> ProcessImagePath(HANDLE process);

}  // namespace Ravenquill
