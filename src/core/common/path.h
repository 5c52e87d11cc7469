#pragma once
// Path text helpers. Both '\' and '/' are read as separators; Separator is what this build writes
// ('\' on Windows, '/' in the native build, whose tests run on Linux paths).
#include <string>
#include <string_view>

namespace Ravenquill::Path {

#ifdef _WIN32
inline constexpr wchar_t Separator = L'\\';
#else
inline constexpr wchar_t Separator = L'/';
#endif

constexpr bool IsSeparator(wchar_t c) noexcept { return c == L'\\' || c == L'/'; }

// Joins with one separator; an absolute second part replaces the first.
std::wstring Combine(std::wstring_view first, std::wstring_view second);
std::wstring Combine(std::wstring_view first, std::wstring_view second, std::wstring_view third);
// Text after the last separator.
std::wstring_view GetFileName(std::wstring_view path) noexcept;
// Text before the last separator (root kept); empty when there is none or path is a root.
std::wstring GetDirectoryName(std::wstring_view path);
bool IsPathRooted(std::wstring_view path) noexcept;
// The root the path starts with: "C:\", "C:", "\\server\share\", "\" or "/"; empty when relative.
std::wstring_view GetPathRoot(std::wstring_view path) noexcept;
// Absolute, with "." and ".." resolved and separators normalised (GetFullPathNameW on Windows).
std::wstring GetFullPath(std::wstring_view path);
std::wstring_view TrimEndingSeparators(std::wstring_view path) noexcept;

}  // namespace Ravenquill::Path
