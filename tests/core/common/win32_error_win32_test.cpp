#include "core/common/win32_error.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "core/common/errors.h"

namespace Ravenquill {
namespace {

enum class Kind {
    FileNotFound,
    DirectoryNotFound,
    Sharing,
    TooLong,
    EndOfStream,
    InputOutput,
    AccessDenied,
    Cancelled,
    Platform
};

Kind KindOf(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const FileNotFoundException&) {
        return Kind::FileNotFound;
    } catch (const DirectoryNotFoundException&) {
        return Kind::DirectoryNotFound;
    } catch (const SharingViolationException&) {
        return Kind::Sharing;
    } catch (const PathTooLongException&) {
        return Kind::TooLong;
    } catch (const EndOfStreamException&) {
        return Kind::EndOfStream;
    } catch (const IOException&) {
        return Kind::InputOutput;
    } catch (const UnauthorizedAccessException&) {
        return Kind::AccessDenied;
    } catch (const OperationCanceledException&) {
        return Kind::Cancelled;
    } catch (const PlatformException&) {
        return Kind::Platform;
    }
}

std::uint32_t IoCode(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const IOException& e) {
        return e.ErrorCode();
    } catch (const PlatformException& e) {
        return e.ErrorCode();
    } catch (...) {
    }
    return 0;
}

// A file, folder, volume or registry call reports every code it does not name as an input/output
// failure; a process or shell call keeps such a code as a platform failure of its own.
TEST(Win32ErrorTest, MapsCodesToKinds) {
    struct Case {
        std::uint32_t Code;
        Kind FileSystem;
        Kind Process;
    };
    const Case cases[] = {
        {ERROR_FILE_NOT_FOUND, Kind::FileNotFound, Kind::FileNotFound},
        {ERROR_PATH_NOT_FOUND, Kind::DirectoryNotFound, Kind::DirectoryNotFound},
        {ERROR_SHARING_VIOLATION, Kind::Sharing, Kind::Sharing},
        {ERROR_FILENAME_EXCED_RANGE, Kind::TooLong, Kind::TooLong},
        {ERROR_HANDLE_EOF, Kind::EndOfStream, Kind::EndOfStream},
        {ERROR_ACCESS_DENIED, Kind::AccessDenied, Kind::AccessDenied},
        {ERROR_DISK_FULL, Kind::InputOutput, Kind::InputOutput},
        {ERROR_CANCELLED, Kind::Cancelled, Kind::Cancelled},
        // Codes the mapping does not name.
        {ERROR_INVALID_FUNCTION, Kind::InputOutput, Kind::Platform},
        {ERROR_NOT_SUPPORTED, Kind::InputOutput, Kind::Platform},
        {ERROR_UNEXP_NET_ERR, Kind::InputOutput, Kind::Platform},
        {ERROR_NETWORK_ACCESS_DENIED, Kind::InputOutput, Kind::Platform},
        {ERROR_BAD_NET_NAME, Kind::InputOutput, Kind::Platform},
        {ERROR_INVALID_PARAMETER, Kind::InputOutput, Kind::Platform},
        {ERROR_BAD_DEV_TYPE, Kind::InputOutput, Kind::Platform},
        {ERROR_INVALID_WINDOW_HANDLE, Kind::InputOutput, Kind::Platform},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(KindOf(Win32Error(c.Code, L"X:\\file")), c.FileSystem) << c.Code;
        EXPECT_EQ(KindOf(Win32ProcessError(c.Code, L"CreateProcessW")), c.Process) << c.Code;
    }
    // The code travels with an unnamed one, as with the named I/O kinds.
    EXPECT_EQ(IoCode(Win32Error(ERROR_BAD_NET_NAME)), static_cast<std::uint32_t>(ERROR_BAD_NET_NAME));
    EXPECT_EQ(IoCode(Win32ProcessError(ERROR_INVALID_PARAMETER)), static_cast<std::uint32_t>(ERROR_INVALID_PARAMETER));
}

TEST(Win32ErrorTest, ARegistryStatusNotNamedIsAnInputOutputFailure) {
    try {
        ThrowIfRegistryFailed(ERROR_BADKEY, L"Software\\X");
        ADD_FAILURE() << "no failure raised";
    } catch (const IOException& e) {
        EXPECT_EQ(e.ErrorCode(), static_cast<std::uint32_t>(ERROR_BADKEY));
    }
}

TEST(Win32ErrorTest, MessageIsThePlatformsTrimmedText) {
    const std::wstring message = Win32ErrorMessage(ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(message.empty());
    EXPECT_NE(message.back(), L'\n');
    EXPECT_NE(message.back(), L' ');
}

}  // namespace
}  // namespace Ravenquill
