#include "core/common/path.h"

#include <gtest/gtest.h>

namespace Ravenquill::Path {
namespace {

TEST(PathText, CombineAndSplit) {
    const std::wstring sep(1, Separator);
    EXPECT_EQ(Combine(L"C:\\Apps\\X", L".ravenquill", L"record.json"),
              L"C:\\Apps\\X" + sep + L".ravenquill" + sep + L"record.json");
    EXPECT_EQ(Combine(L"C:\\Apps\\", L"x"), L"C:\\Apps\\x");
    EXPECT_EQ(Combine(L"C:\\Apps", L"D:\\y"), L"D:\\y");
    EXPECT_EQ(GetFileName(L"C:\\Apps\\X\\app.exe"), L"app.exe");
    EXPECT_EQ(GetFileName(L"a/b"), L"b");
    EXPECT_EQ(GetDirectoryName(L"C:\\Apps\\X\\app.exe"), L"C:\\Apps\\X");
    EXPECT_EQ(GetDirectoryName(L"C:\\app.exe"), L"C:\\");
    EXPECT_EQ(GetDirectoryName(L"C:\\"), L"");
    EXPECT_EQ(GetDirectoryName(L"\\\\server\\share\\f"), L"\\\\server\\share\\");
    EXPECT_EQ(GetDirectoryName(L"/usr/bin"), L"/usr");
    EXPECT_EQ(TrimEndingSeparators(L"C:\\x\\\\"), L"C:\\x");
    EXPECT_EQ(TrimEndingSeparators(L"C:\\"), L"C:\\");
    EXPECT_TRUE(IsPathRooted(L"C:\\x"));
    EXPECT_TRUE(IsPathRooted(L"/x"));
    EXPECT_FALSE(IsPathRooted(L"x\\y"));
    EXPECT_EQ(GetPathRoot(L"C:\\Apps\\X"), L"C:\\");
    EXPECT_EQ(GetPathRoot(L"C:x"), L"C:");
    EXPECT_EQ(GetPathRoot(L"\\\\server\\share\\dir"), L"\\\\server\\share\\");
    EXPECT_EQ(GetPathRoot(L"/usr/bin"), L"/");
    EXPECT_EQ(GetPathRoot(L"x\\y"), L"");
    EXPECT_EQ(GetPathRoot(L""), L"");
}

TEST(PathText, FullPathResolvesDots) {
#ifdef _WIN32
    EXPECT_EQ(GetFullPath(L"C:\\a\\b\\..\\c\\.\\d"), L"C:\\a\\c\\d");
#else
    EXPECT_EQ(GetFullPath(L"/a/b/../c/./d/"), L"/a/c/d");
#endif
}

}  // namespace
}  // namespace Ravenquill::Path
