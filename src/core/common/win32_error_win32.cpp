#include "win32_error.h"

#include <windows.h>

#include "errors.h"
#include "text.h"
#include "unique_handle.h"

namespace Ravenquill {

std::wstring Win32ErrorMessage(std::uint32_t code) {
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const UniqueLocalMemory<wchar_t> owned(buffer);
    std::wstring text;
    if (length != 0 && buffer != nullptr) text.assign(buffer, length);
    text = std::wstring(Text::Trim(text));
    if (text.empty()) text = L"Win32 error " + std::to_wstring(code) + L".";
    return text;
}

namespace {

// The platform the design assumes reports every code it does not name as an input/output failure
// of a file-system or registry call, and as a platform failure of its own for a process or the shell.
enum class Unnamed { InputOutput, Platform };

std::exception_ptr ErrorOf(std::uint32_t code, std::wstring_view subject, Unnamed unnamed) {
    std::wstring message = Win32ErrorMessage(code);
    if (!subject.empty()) message += L" : " + std::wstring(subject);
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
            return std::make_exception_ptr(FileNotFoundException(std::move(message), code));
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
            return std::make_exception_ptr(DirectoryNotFoundException(std::move(message), code));
        case ERROR_ACCESS_DENIED:
        case ERROR_PRIVILEGE_NOT_HELD:
            return std::make_exception_ptr(UnauthorizedAccessException(std::move(message)));
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_USER_MAPPED_FILE:
            return std::make_exception_ptr(SharingViolationException(std::move(message), code));
        case ERROR_FILENAME_EXCED_RANGE:
            return std::make_exception_ptr(PathTooLongException(std::move(message), code));
        case ERROR_HANDLE_EOF:
            return std::make_exception_ptr(EndOfStreamException(std::move(message)));
        case ERROR_OPERATION_ABORTED:
        case ERROR_CANCELLED:
            return std::make_exception_ptr(OperationCanceledException(std::move(message)));
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_DIRECTORY:
        case ERROR_DIR_NOT_EMPTY:
        case ERROR_ALREADY_EXISTS:
        case ERROR_FILE_EXISTS:
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
        case ERROR_WRITE_PROTECT:
        case ERROR_NOT_READY:
        case ERROR_CRC:
        case ERROR_READ_FAULT:
        case ERROR_WRITE_FAULT:
        case ERROR_GEN_FAILURE:
        case ERROR_CANT_RESOLVE_FILENAME:
        case ERROR_NOT_SAME_DEVICE:
        case ERROR_BAD_NETPATH:
        case ERROR_NETNAME_DELETED:
        case ERROR_UNRECOGNIZED_VOLUME:
        case ERROR_FILE_CORRUPT:
        case ERROR_DISK_CORRUPT:
        case ERROR_DELETE_PENDING:
            return std::make_exception_ptr(IOException(std::move(message), code));
        default:
            if (unnamed == Unnamed::InputOutput) return std::make_exception_ptr(IOException(std::move(message), code));
            return std::make_exception_ptr(PlatformException(std::move(message), code));
    }
}

}  // namespace

std::exception_ptr Win32Error(std::uint32_t code, std::wstring_view subject) {
    return ErrorOf(code, subject, Unnamed::InputOutput);
}

std::exception_ptr Win32ProcessError(std::uint32_t code, std::wstring_view subject) {
    return ErrorOf(code, subject, Unnamed::Platform);
}

void ThrowWin32Error(std::uint32_t code, std::wstring_view subject) {
    std::rethrow_exception(Win32Error(code, subject));
}

void ThrowLastWin32Error(std::wstring_view subject) { ThrowWin32Error(GetLastError(), subject); }

void ThrowWin32ProcessError(std::uint32_t code, std::wstring_view subject) {
    std::rethrow_exception(Win32ProcessError(code, subject));
}

void ThrowLastWin32ProcessError(std::wstring_view subject) { ThrowWin32ProcessError(GetLastError(), subject); }

}  // namespace Ravenquill
