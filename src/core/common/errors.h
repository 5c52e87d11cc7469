#pragma once
// The one exception hierarchy of the system. Messages are UTF-16 (Message()); what() gives UTF-8.
#include <cstdint>
#include <exception>
#include <string>

namespace Ravenquill {

class Exception : public std::exception {
public:
    explicit Exception(std::wstring message);
    const std::wstring& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    std::wstring message_;
    std::string utf8_;
};

// Input/output failures. ErrorCode is the Win32 error code when the platform gave one, else 0.
class IOException : public Exception {
public:
    explicit IOException(std::wstring message, std::uint32_t errorCode = 0)
        : Exception(std::move(message)), errorCode_(errorCode) {}
    std::uint32_t ErrorCode() const noexcept { return errorCode_; }

private:
    std::uint32_t errorCode_;
};

class EndOfStreamException : public IOException {
public:
    EndOfStreamException() : IOException(L"Unable to read beyond the end of the stream.", 38) {}
    explicit EndOfStreamException(std::wstring message) : IOException(std::move(message), 38) {}
};

#define RAVENQUILL_IO_KIND(Name)                                         \
    class Name : public IOException {                                    \
    public:                                                              \
        explicit Name(std::wstring message, std::uint32_t errorCode = 0) \
            : IOException(std::move(message), errorCode) {}              \
    };
RAVENQUILL_IO_KIND(FileNotFoundException)
RAVENQUILL_IO_KIND(DirectoryNotFoundException)
RAVENQUILL_IO_KIND(PathTooLongException)
RAVENQUILL_IO_KIND(SharingViolationException)
#undef RAVENQUILL_IO_KIND

#define RAVENQUILL_KIND(Name, Base)                                       \
    class Name : public Base {                                            \
    public:                                                               \
        explicit Name(std::wstring message) : Base(std::move(message)) {} \
    };
// Access denied is deliberately not an input/output kind: callers that swallow I/O errors must
// still see it unless they name it too.
RAVENQUILL_KIND(UnauthorizedAccessException, Exception)
RAVENQUILL_KIND(InvalidDataException, Exception)
RAVENQUILL_KIND(FormatException, Exception)
RAVENQUILL_KIND(ArgumentException, Exception)
RAVENQUILL_KIND(NotSupportedException, Exception)
RAVENQUILL_KIND(InvalidOperationException, Exception)
RAVENQUILL_KIND(ObjectDisposedException, InvalidOperationException)
RAVENQUILL_KIND(SecurityException, Exception)
#undef RAVENQUILL_KIND

// A platform call failed with a Win32 error code (registry, processes, shell, ...).
class PlatformException : public Exception {
public:
    PlatformException(std::wstring message, std::uint32_t errorCode)
        : Exception(std::move(message)), errorCode_(errorCode) {}
    std::uint32_t ErrorCode() const noexcept { return errorCode_; }

private:
    std::uint32_t errorCode_;
};

class OperationCanceledException : public Exception {
public:
    OperationCanceledException() : Exception(L"The operation was canceled.") {}
    explicit OperationCanceledException(std::wstring message) : Exception(std::move(message)) {}
};

namespace Core {

// The failure of an installation: a user-facing message and the failure that caused it (may be null).
class InstallFailedException : public Exception {
public:
    explicit InstallFailedException(std::wstring message, std::exception_ptr cause = nullptr)
        : Exception(std::move(message)), cause_(std::move(cause)) {}
    const std::exception_ptr& Cause() const noexcept { return cause_; }

private:
    std::exception_ptr cause_;
};

}  // namespace Core

// What a failed allocation (std::bad_alloc) reports.
inline constexpr wchar_t OutOfMemoryMessage[] = L"Недостаточно памяти для продолжения выполнения программы.";

// The message of any exception: Message() for ours, OutOfMemoryMessage for std::bad_alloc, what()
// decoded as UTF-8 for the rest.
std::wstring MessageOf(const std::exception& e);
// The same for a failure caught as it was thrown: UnknownFailureMessage for one that is no
// std::exception, nothing for none. Never throws, so that a failure always reaches its report: a
// message that cannot even be copied is empty.
std::wstring MessageOf(const std::exception_ptr& failure) noexcept;

// The message of a failure that says nothing of itself.
inline constexpr wchar_t UnknownFailureMessage[] = L"Непредвиденная ошибка.";

}  // namespace Ravenquill
