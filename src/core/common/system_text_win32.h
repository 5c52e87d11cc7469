#pragma once
// Texts the system writes into a caller's buffer (directories, paths, expanded variables), each
// behind one named call over the one ask-for-size, allocate, call-again loop. Windows builds only.
#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "growing_text.h"

namespace Ravenquill {

// The system directory ("C:\Windows\system32"); the last error as an exception when it fails.
std::wstring SystemDirectory();
// The full path of the running executable; the last error as an exception when it fails.
std::wstring ModuleFileName();
// GetFullPathNameW of the path; the last error (with the path) as an exception when it fails.
std::wstring FullPathName(const std::wstring& path);
// GetTempPathW: the folder for temporary files, with its trailing separator.
std::wstring TempPath();
// GetLongPathNameW: the path with every short (8.3) component in its long form; nothing when the
// path cannot be read (a missing file among others).
std::optional<std::wstring> LongPathName(const std::wstring& path);
// The text with its %variables% expanded; nothing when the platform refuses (a result past its
// limit).
std::optional<std::wstring> ExpandEnvironmentText(std::wstring_view text);
// The full path of a process's image; nothing when it cannot be read.
std::optional<std::wstring> ProcessImagePath(HANDLE process);

}  // namespace Ravenquill
