#include "core/payload/buffered_read_stream.h"

#include <gtest/gtest.h>

#include "core/payload/payload_source.h"
#include "payload_test_support.h"

namespace Ravenquill::Core {
namespace {

using namespace Testing;

constexpr std::size_t BufferBytes = 4096;

// Counts what reaches the file, so that a test can tell buffered reads from system calls.
class CountingStream final : public ReadStream {
public:
    explicit CountingStream(std::vector<std::byte> bytes, int* reads) : inner_(std::move(bytes)), reads_(reads) {}
    std::size_t Read(std::span<std::byte> buffer) override {
        ++*reads_;
        return inner_.Read(buffer);
    }
    std::int64_t Length() const override { return inner_.Length(); }
    std::int64_t Position() const override { return inner_.Position(); }
    bool CanSeek() const noexcept override { return true; }
    void Seek(std::int64_t position) override { inner_.Seek(position); }

private:
    MemoryReadStream inner_;
    int* reads_;
};

std::vector<std::byte> Slice(const std::vector<std::byte>& bytes, std::int64_t at, std::size_t count) {
    return {bytes.begin() + at, bytes.begin() + at + static_cast<std::int64_t>(count)};
}

TEST(BufferedReadStream, EveryReadSizeAroundTheBufferThenASeekServesTheFileBytes) {
    const std::vector<std::byte> file = RandomBytes(6 * BufferBytes + 77, 5);
    const auto length = static_cast<std::int64_t>(file.size());
    // A small first read leaves the buffer part-used, a read of the whole buffer leaves it used up;
    // the large read after it then goes past the buffer to the file.
    const std::size_t leads[] = {0, 10, BufferBytes};
    const std::size_t sizes[] = {1, 100, 4095, 4096, 4097, 8181, 8182, 8191, 8192, 8193, 12300};
    const std::int64_t moves[] = {-4097, -4096, -4095, -100, -1, 0, 1, 4095, 4096, 4097};
    for (const std::size_t lead : leads) {
        for (const std::size_t size : sizes) {
            for (const std::int64_t move : moves) {
                SCOPED_TRACE(testing::Message() << "lead " << lead << ", read " << size << ", seek by " << move);
                int reads = 0;
                BufferedReadStream stream(std::make_unique<CountingStream>(file, &reads), BufferBytes);
                std::vector<std::byte> got(lead + size);
                stream.ReadExactly(std::span(got).first(lead));
                stream.ReadExactly(std::span(got).subspan(lead));
                ASSERT_EQ(got, Slice(file, 0, lead + size));
                ASSERT_EQ(stream.Position(), static_cast<std::int64_t>(lead + size));

                const std::int64_t target = static_cast<std::int64_t>(lead + size) + move;
                if (target < 0 || target > length) continue;
                stream.Seek(target);
                EXPECT_EQ(stream.Position(), target);
                std::vector<std::byte> after(static_cast<std::size_t>(std::min<std::int64_t>(length - target, 300)));
                stream.ReadExactly(after);
                EXPECT_EQ(after, Slice(file, target, after.size()));
            }
        }
    }
}

TEST(BufferedReadStream, SeeksBackAndForthAcrossLargeAndSmallReads) {
    const std::vector<std::byte> file = RandomBytes(40000, 6);
    int reads = 0;
    BufferedReadStream stream(std::make_unique<CountingStream>(file, &reads), BufferBytes);
    struct Step {
        std::int64_t seek;  // -1: read on from where the stream is
        std::size_t read;
    };
    const Step steps[] = {{-1, 3},     {-1, 9000},   {8000, 5}, {8005, 4096}, {12000, 1},    {12001, 8192},
                          {20000, 7},  {4096, 4096}, {4095, 2}, {0, 40000},   {36000, 4000}, {39999, 1},
                          {100, 8000}, {8099, 4097}, {8099, 1}, {39990, 10}};
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << "seek " << step.seek << ", read " << step.read);
        if (step.seek >= 0) stream.Seek(step.seek);
        const std::int64_t at = stream.Position();
        std::vector<std::byte> got(step.read);
        stream.ReadExactly(got);
        EXPECT_EQ(got, Slice(file, at, step.read));
    }
    std::vector<std::byte> rest(16);
    EXPECT_EQ(stream.Read(rest), 0u) << "the last read ended at the end of the file";
}

TEST(BufferedReadStream, SmallReadsShareOneReadOfTheFile) {
    const std::vector<std::byte> file = RandomBytes(3 * BufferBytes, 7);
    int reads = 0;
    BufferedReadStream stream(std::make_unique<CountingStream>(file, &reads), BufferBytes);
    std::vector<std::byte> got(4);
    for (int i = 0; i < 1024; ++i) stream.ReadExactly(got);
    EXPECT_EQ(reads, 1);
    stream.Seek(100);  // inside what is buffered
    stream.ReadExactly(got);
    EXPECT_EQ(got, Slice(file, 100, 4));
    EXPECT_EQ(reads, 1);
}

// A side package whose index fills the first 4 KiB exactly and whose one block is 4 KiB long: the
// block is read past the buffer, and opening the entry again seeks back to just behind the end.
TEST(BufferedReadStream, SidePackageServesTheSameEntryTwice) {
    std::vector<std::byte> content, block;
    for (std::size_t n = BufferBytes - 40; n <= BufferBytes && block.size() != BufferBytes; ++n) {
        content = RandomBytes(n, 8);
        block = Tools::CompressBlock(content, 11);
    }
    ASSERT_EQ(block.size(), BufferBytes) << "no random content compresses to exactly 4 KiB";

    const std::string name = "app.bin";
    const std::size_t mainRecord = 1 + name.size() + 8 + 4 + 4;
    std::vector<std::string> empties;  // empty files pad the index; they have no blocks
    std::size_t left = BufferBytes - 14 - mainRecord;
    while (left > 13 + 127) {
        empties.push_back("docs/empty-" + std::to_string(1000 + empties.size()) + ".txt");
        left -= 13 + empties.back().size();
    }
    empties.push_back(std::string(left - 13, 'e'));

    std::vector<std::byte> package;
    Tools::AppendHeader(package, static_cast<std::int32_t>(empties.size() + 1), 4 * 1024 * 1024);
    for (const std::string& empty : empties) Tools::AppendIndexRecord(package, empty, 0, {});
    const std::vector<std::int32_t> sizes = {static_cast<std::int32_t>(block.size())};
    Tools::AppendIndexRecord(package, name, static_cast<std::int64_t>(content.size()), sizes);
    ASSERT_EQ(package.size(), BufferBytes);
    package.insert(package.end(), block.begin(), block.end());

    TempFolder folder;
    folder.Write("payload.rqpk", package);
    FakeHost host(folder.Path("setup.exe"));
    ScopedHost scoped(host);
    const auto source = PayloadSource::Open();
    ASSERT_NE(source, nullptr);
    const PayloadEntry& entry = source->Entries().back();
    ASSERT_EQ(entry.RelativePath, L"app.bin");
    EXPECT_EQ(entry.Open()->ReadToEnd(), content);
    EXPECT_EQ(entry.Open()->ReadToEnd(), content) << "the second opening reads the same bytes";
}

}  // namespace
}  // namespace Ravenquill::Core
