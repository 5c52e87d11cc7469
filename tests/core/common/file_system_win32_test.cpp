// The file writer, which only the Windows build has.
#include <gtest/gtest.h>

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

#include "core/common/errors.h"
#include "core/common/file_system.h"
#include "support/temp_folder.h"

namespace Ravenquill {
namespace {

using Testing::TempFolder;

std::span<const std::byte> Bytes(std::string_view text) { return std::as_bytes(std::span(text)); }

TEST(FileWriterTest, CreatingNewMakesOnlyWhatIsNotThereYet) {
    const TempFolder temp;
    std::optional<FileSystem::FileWriter> fresh = FileSystem::FileWriter::CreateNew(temp.Path("new.txt"));
    ASSERT_TRUE(fresh);
    fresh->Write(Bytes("fresh"));
    fresh->Close();
    EXPECT_EQ(temp.Read("new.txt"), "fresh");

    // A file or a folder of that name is left as it is: the caller decides what to do with it.
    EXPECT_FALSE(FileSystem::FileWriter::CreateNew(temp.Path("new.txt")));
    EXPECT_EQ(temp.Read("new.txt"), "fresh");
    temp.Write("folder/inside.txt", "x");
    EXPECT_FALSE(FileSystem::FileWriter::CreateNew(temp.Path("folder")));
    EXPECT_TRUE(FileSystem::DirectoryExists(temp.Path("folder")));

    // Anything else is a failure, as with the replacing writer.
    EXPECT_THROW(FileSystem::FileWriter::CreateNew(temp.Path("missing/new.txt")), IOException);
}

TEST(FileWriterTest, ReplacingTruncatesAndAMovedWriterKeepsTheFile) {
    const TempFolder temp;
    temp.Write("file.txt", "a much longer earlier content");
    FileSystem::FileWriter replacing(temp.Path("file.txt"));
    FileSystem::FileWriter moved = std::move(replacing);
    replacing.Close();  // nothing left to close
    moved.Write(Bytes("short"));
    moved.Close();
    EXPECT_EQ(temp.Read("file.txt"), "short");
}

}  // namespace
}  // namespace Ravenquill
