#include "core/common/win32_error.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "core/common/errors.h"

namespace Ravenquill {
namespace {

template <class Kind>
bool IsKind(std::uint32_t code) {
    try {
        ThrowWin32Error(code);
    } catch (const Kind&) {
        return true;
    } catch (...) {
    }
    return false;
}

TEST(Win32ErrorTest, MapsCodesToKinds) {
    EXPECT_TRUE(IsKind<FileNotFoundException>(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(IsKind<DirectoryNotFoundException>(ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(IsKind<SharingViolationException>(ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(IsKind<PathTooLongException>(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_TRUE(IsKind<UnauthorizedAccessException>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(IsKind<IOException>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(IsKind<IOException>(ERROR_DISK_FULL));
    EXPECT_TRUE(IsKind<PlatformException>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST(Win32ErrorTest, MessageIsThePlatformsTrimmedText) {
    const std::wstring message = Win32ErrorMessage(ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(message.empty());
    EXPECT_NE(message.back(), L'\n');
    EXPECT_NE(message.back(), L' ');
}

}  // namespace
}  // namespace Ravenquill
