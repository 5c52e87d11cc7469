#include "core/common/read_stream.h"

#include <gtest/gtest.h>

#include "core/common/errors.h"

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

}  // namespace
}  // namespace Ravenquill
