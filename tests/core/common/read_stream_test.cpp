#include "core/common/read_stream.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "core/common/errors.h"
#include "core/common/file_write.h"
#include "core/common/path.h"

namespace Ravenquill {
namespace {

TEST(MemoryReadStreamTest, ReadsSeeksAndEnds) {
    const std::byte data[] = {std::byte{1}, std::byte{2}, std::byte{3}};
    MemoryReadStream stream{std::span<const std::byte>(data)};
    std::byte buffer[2];
    EXPECT_EQ(stream.Read(buffer), 2u);
    EXPECT_EQ(stream.Position(), 2);
    EXPECT_THROW(stream.ReadExactly(buffer), EndOfStreamException);
    stream.Seek(10);
    EXPECT_EQ(stream.Read(buffer), 0u);
    stream.Seek(1);
    EXPECT_EQ(stream.ReadToEnd(), (std::vector<std::byte>{std::byte{2}, std::byte{3}}));
}

TEST(FileReadStream, MissingFileIsFileNotFound) {
    EXPECT_THROW(OpenFileForRead(L"no-such-file-here.bin"), FileNotFoundException);
}

TEST(FileWrite, ReplacesTheWholeFileAndRefusesWhatItCannotWrite) {
    const std::wstring path = L"rq-file-write-test.bin";
    const std::vector<std::byte> first(100000, std::byte{7});
    const std::vector<std::byte> second{std::byte{1}, std::byte{2}};
    for (const WriteSharing sharing : {WriteSharing::AllowReaders, WriteSharing::Exclusive}) {
        WriteAllBytes(path, first, sharing);
        EXPECT_EQ(ReadAllBytes(path), first);
        WriteAllBytes(path, second, sharing);  // shorter: nothing of the first is left behind
        EXPECT_EQ(ReadAllBytes(path), second);
        WriteAllBytes(path, {}, sharing);
        EXPECT_TRUE(ReadAllBytes(path).empty());
    }
    std::remove("rq-file-write-test.bin");
    // The NUL would cut the name to "rq-file-write-test.bin" and replace that file instead.
    EXPECT_THROW(WriteAllBytes(path + std::wstring(1, L'\0') + L".other", second), ArgumentException);
    EXPECT_THROW(WriteAllBytes(Path::Combine(L"rq-no-such-folder", L"x.bin"), second), DirectoryNotFoundException);
}

}  // namespace
}  // namespace Ravenquill
