// The parts of the file-system layer that both builds have, on real folders.
#include "core/common/file_system.h"

#include <gtest/gtest.h>

#include "core/common/errors.h"
#include "core/common/path.h"
#include "support/temp_folder.h"

namespace Ravenquill {
namespace {

using Testing::TempFolder;

TEST(FileSystemTest, ExistenceTestsTellFilesFromFoldersAndNameNothingOdd) {
    const TempFolder temp;
    temp.Write("file.txt", "x");
    EXPECT_TRUE(FileSystem::FileExists(temp.Path("file.txt")));
    EXPECT_FALSE(FileSystem::DirectoryExists(temp.Path("file.txt")));
    EXPECT_TRUE(FileSystem::DirectoryExists(temp.Path()));
    EXPECT_FALSE(FileSystem::FileExists(temp.Path()));
    // U+0000 would cut the path short at the folder.
    for (const std::wstring& odd : {std::wstring(), temp.Path() + std::wstring(1, L'\0') + L"x",
                                    temp.Path("file.txt") + std::wstring(1, L'\0')}) {
        EXPECT_FALSE(FileSystem::FileExists(odd));
        EXPECT_FALSE(FileSystem::DirectoryExists(odd));
    }
}

TEST(FileSystemTest, CreatingFoldersNamesTheOnesItMadeOutermostFirst) {
    const TempFolder temp;
    const std::wstring deep = temp.Path("a/b/c");
    EXPECT_EQ(FileSystem::CreateDirectories(deep + Path::Separator),
              (std::vector<std::wstring>{temp.Path("a"), temp.Path("a/b"), deep}));
    EXPECT_TRUE(FileSystem::DirectoryExists(deep));
    EXPECT_EQ(FileSystem::CreateDirectories(deep), std::vector<std::wstring>{});
    temp.Write("file.txt", "x");
    EXPECT_THROW(FileSystem::CreateDirectories(temp.Path("file.txt/below")), IOException);
    EXPECT_THROW(FileSystem::CreateDirectories(deep + std::wstring(1, L'\0')), ArgumentException);
}

TEST(FileSystemTest, TheTemporaryDirectoryAndItsFreeSpaceAreThere) {
    const std::wstring temp = FileSystem::TempDirectory();
    ASSERT_FALSE(temp.empty());
    EXPECT_TRUE(Path::IsSeparator(temp.back())) << temp;
    EXPECT_TRUE(FileSystem::DirectoryExists(temp)) << temp;
    EXPECT_GT(FileSystem::FreeBytesAvailable(temp), 0u);
    const TempFolder folder;
    EXPECT_THROW(FileSystem::FreeBytesAvailable(folder.Path("missing")), IOException);
}

}  // namespace
}  // namespace Ravenquill
