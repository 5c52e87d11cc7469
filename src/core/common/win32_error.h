#pragma once
// Turns a Win32 error code into the exception kind of errors.h, with the message as the platform
// words it. Windows builds only.
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace Ravenquill {

// The system's text for the code (FormatMessageW, trailing white space and line breaks trimmed).
std::wstring Win32ErrorMessage(std::uint32_t code);

// The exception for the code of a file, folder, volume or registry call: file and path codes give
// the I/O kinds they name, access denied gives UnauthorizedAccessException, and every code not named
// is an input/output failure (IOException with the code). A non-empty subject (a path or the
// failing call) is appended to the message after " : ".
std::exception_ptr Win32Error(std::uint32_t code, std::wstring_view subject = {});
[[noreturn]] void ThrowWin32Error(std::uint32_t code, std::wstring_view subject = {});
[[noreturn]] void ThrowLastWin32Error(std::wstring_view subject = {});

inline void ThrowLastWin32ErrorIf(bool failed, std::wstring_view subject = {}) {
    if (failed) ThrowLastWin32Error(subject);
}

// The same for a process, thread or shell call, whose failures are no input/output failures: the
// named codes give their kinds as above, every other code a PlatformException.
std::exception_ptr Win32ProcessError(std::uint32_t code, std::wstring_view subject = {});
[[noreturn]] void ThrowWin32ProcessError(std::uint32_t code, std::wstring_view subject = {});
[[noreturn]] void ThrowLastWin32ProcessError(std::wstring_view subject = {});

inline void ThrowLastWin32ProcessErrorIf(bool failed, std::wstring_view subject = {}) {
    if (failed) ThrowLastWin32ProcessError(subject);
}

// The check of a registry call, which returns its error code (an LSTATUS) instead of setting the
// last error: nothing for ERROR_SUCCESS, else the exception for the code.
inline void ThrowIfRegistryFailed(long status, std::wstring_view subject = {}) {
    if (status != 0) ThrowWin32Error(static_cast<std::uint32_t>(status), subject);
}

}  // namespace Ravenquill
