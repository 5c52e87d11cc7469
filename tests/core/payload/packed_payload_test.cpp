#include <gtest/gtest.h>

#include <functional>

#include "core/common/errors.h"
#include "core/payload/packed_payload_source.h"
#include "payload_test_support.h"

namespace Ravenquill::Core {
namespace {

using namespace Testing;
using Tools::AppendHeader;
using Tools::AppendIndexRecord;
using Tools::AppendInt32;
using Tools::AppendPathLength;

std::vector<std::byte> ReadAll(ReadStream& stream, std::size_t piece = 81920) {
    std::vector<std::byte> out, buffer(piece);
    for (std::size_t n; (n = stream.Read(buffer)) != 0;) out.insert(out.end(), buffer.begin(), buffer.begin() + n);
    return out;
}

std::unique_ptr<PackedPayloadSource> SourceOf(std::vector<std::byte> bytes) {
    return std::make_unique<PackedPayloadSource>(std::make_unique<MemoryReadStream>(std::move(bytes)));
}

template <class E>
std::wstring MessageOfFailure(const std::function<void()>& action) {
    try {
        action();
    } catch (const E& e) {
        return e.Message();
    }
    ADD_FAILURE() << "expected failure";
    return {};
}

// A stream that only reads forward, as a download or a pipe would be.
class ForwardOnly final : public ReadStream {
public:
    explicit ForwardOnly(std::vector<std::byte> bytes, bool* closed = nullptr)
        : inner_(std::move(bytes)), closed_(closed) {}
    ~ForwardOnly() override {
        if (closed_ != nullptr) *closed_ = true;
    }
    std::size_t Read(std::span<std::byte> buffer) override {
        return inner_.Read(buffer.first(std::min<std::size_t>(buffer.size(), 7)));
    }
    std::int64_t Length() const override { throw NotSupportedException(L"no length"); }
    std::int64_t Position() const override { throw NotSupportedException(L"no position"); }

private:
    MemoryReadStream inner_;
    bool* closed_;
};

std::vector<std::byte> Header(std::int32_t count, std::int32_t blockSize) {
    std::vector<std::byte> out;
    AppendHeader(out, count, blockSize);
    return out;
}

TEST(PackedPayloadIndex, HeaderFaultsGiveThePackageMessagesOrTheReadingLayerErrors) {
    struct Case {
        const char* name;
        std::vector<std::byte> bytes;
        std::wstring message;  // empty: end of stream
    };
    std::vector<std::byte> hugePath = Header(1, 4096);
    AppendPathLength(hugePath, 0x7FFFFFFF);  // a path of 2 GiB announced, 3 bytes delivered
    hugePath.insert(hugePath.end(), 3, std::byte{'a'});
    std::vector<std::byte> hugeBlocks = Header(1, 4096);
    AppendPathLength(hugeBlocks, 1);
    hugeBlocks.push_back(std::byte{'a'});
    Tools::AppendInt64(hugeBlocks, 5);
    AppendInt32(hugeBlocks, 0x7FFFFFFF);
    std::vector<std::byte> hugeCount = Header(0x7FFFFFFF, 4096);
    const std::vector<Case> cases = {
        {"five bytes", Bytes("RQPK2"), L"Пакет повреждён: неверная сигнатура."},
        {"other magic", Bytes("RQPK1\n\0\0\0\0\1\0\0\0"), L"Пакет повреждён: неверная сигнатура."},
        {"negative count before block size", Bytes("RQPK2\n\xff\xff\xff\xff"),
         L"Пакет повреждён: отрицательное число файлов."},
        {"zero block size", Header(0, 0), L"Пакет повреждён: неверный размер блока."},
        {"negative block size", Header(3, -5), L"Пакет повреждён: неверный размер блока."},
        {"magic alone", Bytes("RQPK2\n"), L""},
        {"inside the index", Header(1, 4096), L""},
        {"huge path length", hugePath, L""},
        {"huge block count", hugeBlocks, L""},
        {"huge file count", hugeCount, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A seekable stream is asked for what is left; a forward-only one is read in slices.
        MemoryReadStream seekable(c.bytes);
        ForwardOnly forward(c.bytes);
        for (ReadStream* stream : {static_cast<ReadStream*>(&seekable), static_cast<ReadStream*>(&forward)}) {
            if (c.message.empty())
                EXPECT_THROW(PackedPayload::ReadIndex(*stream), EndOfStreamException);
            else
                EXPECT_EQ(MessageOfFailure<InvalidDataException>([&] { PackedPayload::ReadIndex(*stream); }),
                          c.message);
        }
    }
}

TEST(PackedPayloadIndex, MalformedPrefixIsAFormatErrorAndNegativeBlockCountAnArgumentError) {
    auto longPrefix = Header(1, 4096);
    longPrefix.insert(longPrefix.end(),
                      {std::byte{0xFF}, std::byte{0xFF}, std::byte{0xFF}, std::byte{0xFF}, std::byte{0x08}});
    MemoryReadStream a(longPrefix);
    EXPECT_THROW(PackedPayload::ReadIndex(a), FormatException);

    auto negative = Header(1, 4096);
    AppendPathLength(negative, 1);
    negative.push_back(std::byte{'x'});
    Tools::AppendInt64(negative, 1);
    AppendInt32(negative, -1);
    MemoryReadStream b(negative);
    EXPECT_THROW(PackedPayload::ReadIndex(b), ArgumentException);
}

TEST(PackedPayloadIndex, ListsEntriesWithBackslashesAndRunningOffsets) {
    auto bytes = Header(3, 4096);
    const std::vector<std::int32_t> first = {10, 20}, second = {}, third = {7};
    AppendIndexRecord(bytes, "bin/tools/run.dll", 5000, first);
    AppendIndexRecord(bytes, "docs\\empty.txt", 0, second);
    AppendIndexRecord(bytes, "\xD0\xB4\xD0\xB0.txt", 3, third);
    const auto dataStart = static_cast<std::int64_t>(bytes.size());
    MemoryReadStream stream(bytes);
    const auto entries = PackedPayload::ReadIndex(stream);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(stream.Position(), dataStart);
    EXPECT_EQ(entries[0].RelativePath, L"bin\\tools\\run.dll");
    EXPECT_EQ(entries[1].RelativePath, L"docs\\empty.txt");
    EXPECT_EQ(entries[2].RelativePath, L"да.txt");
    EXPECT_EQ(entries[0].Offset, dataStart);
    EXPECT_EQ(entries[1].Offset, dataStart + 30);
    EXPECT_EQ(entries[2].Offset, dataStart + 30);
    EXPECT_EQ(*entries[0].BlockLengths, first);
    EXPECT_EQ(entries[0].ToString(), L"Entry { RelativePath = bin\\tools\\run.dll, Length = 5000, Offset = " +
                                         std::to_wstring(dataStart) + L", BlockLengths = std::vector<std::int32_t> }");
    PackedPayload::Entry copy = entries[0];
    EXPECT_EQ(copy, entries[0]);
    EXPECT_EQ(copy.Hash(), entries[0].Hash());
    copy.BlockLengths = std::make_shared<std::vector<std::int32_t>>(first);
    EXPECT_NE(copy, entries[0]) << "the block array is compared by identity";

    MemoryReadStream empty(Header(0, 1));
    EXPECT_TRUE(PackedPayload::ReadIndex(empty).empty());
}

TEST(PackedPayloadIndex, SumsThatWouldWrapFailInsteadOfWrapping) {
    auto bytes = Header(2, 4096);
    const std::vector<std::int32_t> none;
    AppendIndexRecord(bytes, "a", INT64_MAX, none);
    AppendIndexRecord(bytes, "b", 1, none);
    const auto source = SourceOf(bytes);
    ASSERT_EQ(source->Entries().size(), 2u);
    EXPECT_THROW(source->TotalBytes(), InvalidDataException);

    // Offsets are 64-bit sums too: a data start near the top of the range cannot wrap into a
    // negative position.
    auto offsets = Header(2, 4096);
    const std::vector<std::int32_t> big = {INT32_MAX};
    AppendIndexRecord(offsets, "a", 1, big);
    AppendIndexRecord(offsets, "b", 1, big);
    struct FarStream final : ReadStream {
        explicit FarStream(std::vector<std::byte> b) : inner(std::move(b)) {}
        std::size_t Read(std::span<std::byte> buffer) override { return inner.Read(buffer); }
        std::int64_t Length() const override { return INT64_MAX; }
        std::int64_t Position() const override { return INT64_MAX - INT32_MAX - 10 + inner.Position(); }
        MemoryReadStream inner;
    } far(offsets);
    EXPECT_THROW(PackedPayload::ReadIndex(far), InvalidDataException);
}

TEST(BlockStream, DeliversEachFileBlockByBlockAndKeepsPosition) {
    const auto big = RandomBytes(10000, 1);
    const auto text = Bytes(std::string(3000, 'q'));
    const auto source = SourceOf(Tools::BuildPackage({{"big.bin", big}, {"empty", {}}, {"t.txt", text}}, {4096, 5}));
    const auto& entries = source->Entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(source->TotalBytes(), 13000);

    auto stream = entries[0].Open();
    EXPECT_FALSE(stream->CanSeek());
    EXPECT_EQ(stream->Length(), 10000);
    std::vector<std::byte> buffer(100000);
    EXPECT_EQ(stream->Read(buffer), 4096u) << "one read never spans two blocks";
    EXPECT_EQ(stream->Position(), 4096);
    EXPECT_THROW(stream->Seek(0), NotSupportedException);
    EXPECT_EQ(ReadAll(*stream, 1000).size(), 10000u - 4096u);
    EXPECT_EQ(stream->Read(buffer), 0u);
    EXPECT_EQ(ReadAll(*entries[0].Open()), big) << "every open starts from the first byte";
    EXPECT_TRUE(ReadAll(*entries[1].Open()).empty());
    EXPECT_EQ(ReadAll(*entries[2].Open()), text);
}

TEST(BlockStream, NonSeekableInputIsCopiedIntoMemoryAndClosed) {
    const auto a = RandomBytes(9000, 8), b = Bytes("second");
    bool closed = false;
    PackedPayloadSource source(
        std::make_unique<ForwardOnly>(Tools::BuildPackage({{"a", a}, {"b", b}}, {4096, 2}), &closed));
    EXPECT_TRUE(closed) << "the given stream is closed once copied";
    ASSERT_EQ(source.Entries().size(), 2u);
    EXPECT_EQ(ReadAll(*source.Entries()[1].Open()), b);
    EXPECT_EQ(ReadAll(*source.Entries()[0].Open()), a);
}

TEST(BlockStream, StreamsOfDifferentEntriesReadAlternately) {
    const auto a = RandomBytes(9000, 2), b = RandomBytes(9000, 3);
    const auto source = SourceOf(Tools::BuildPackage({{"a", a}, {"b", b}}, {2000, 3}));
    auto sa = source->Entries()[0].Open(), sb = source->Entries()[1].Open();
    std::vector<std::byte> ga, gb, buffer(1500);
    for (int round = 0; round < 20; ++round) {
        std::size_t n = sa->Read(buffer);
        ga.insert(ga.end(), buffer.begin(), buffer.begin() + n);
        n = sb->Read(buffer);
        gb.insert(gb.end(), buffer.begin(), buffer.begin() + n);
    }
    EXPECT_EQ(ga, a);
    EXPECT_EQ(gb, b);
}

// One file whose blocks are the given Brotli streams (raw bytes), declared with the given length.
std::vector<std::byte> HandMade(std::int64_t length, const std::vector<std::vector<std::byte>>& blocks) {
    auto bytes = Header(1, 4096);
    std::vector<std::int32_t> sizes;
    for (const auto& block : blocks) sizes.push_back(static_cast<std::int32_t>(block.size()));
    AppendIndexRecord(bytes, "app/f.bin", length, sizes);
    for (const auto& block : blocks) bytes.insert(bytes.end(), block.begin(), block.end());
    return bytes;
}

TEST(BlockStream, LengthCutsTheLastBlockAndShortBlocksEndTheStreamEarly) {
    const auto content = RandomBytes(5000, 4);
    const auto block = Tools::CompressBlock(content, 5);
    auto cut = SourceOf(HandMade(1234, {block}));
    EXPECT_EQ(ReadAll(*cut->Entries()[0].Open()), std::vector<std::byte>(content.begin(), content.begin() + 1234));

    auto shortFile = SourceOf(HandMade(20000, {block}));
    auto stream = shortFile->Entries()[0].Open();
    EXPECT_EQ(ReadAll(*stream).size(), 5000u);
    EXPECT_EQ(stream->Position(), 5000) << "no error; the position stays below the length";

    auto emptyBlock = SourceOf(HandMade(100, {Tools::CompressBlock({}, 5), block}));
    EXPECT_TRUE(ReadAll(*emptyBlock->Entries()[0].Open()).empty()) << "a block that decodes to nothing ends the stream";

    auto zeroLength = SourceOf(HandMade(0, {Bytes("garbage")}));
    EXPECT_TRUE(ReadAll(*zeroLength->Entries()[0].Open()).empty()) << "a file of length 0 loads no block";
}

TEST(BlockStream, BlockFaults) {
    const std::wstring decodeMessage = L"Пакет повреждён: не удалось распаковать «app\\f.bin».";
    auto readFirst = [](std::vector<std::byte> bytes) {
        auto source = SourceOf(std::move(bytes));
        std::vector<std::byte> buffer(16);
        source->Entries()[0].Open()->Read(buffer);
    };
    const auto good = Tools::CompressBlock(RandomBytes(3000, 5), 5);
    auto corrupt = good;
    corrupt[corrupt.size() / 2] ^= std::byte{0x55};
    corrupt.resize(corrupt.size() - 3);
    EXPECT_EQ(MessageOfFailure<InvalidDataException>([&] { readFirst(HandMade(3000, {corrupt})); }), decodeMessage);
    EXPECT_EQ(MessageOfFailure<InvalidDataException>([&] { readFirst(HandMade(3000, {{}})); }), decodeMessage)
        << "a compressed size of 0";
    // More than 4 MiB of output from one block: what a package packed with 8 MiB blocks holds.
    const auto tooLarge =
        Tools::CompressBlock(std::vector<std::byte>(PackedPayload::MaxBlockBytes + 1, std::byte{7}), 1);
    EXPECT_EQ(MessageOfFailure<InvalidDataException>([&] { readFirst(HandMade(5000000, {tooLarge})); }), decodeMessage);
    const auto eightMiB = Tools::BuildPackage({{"app/f.bin", RandomBytes(9 << 20, 6)}}, {8 << 20, 0});
    EXPECT_EQ(MessageOfFailure<InvalidDataException>([&] { readFirst(eightMiB); }), decodeMessage);

    auto truncated = HandMade(3000, {good});
    truncated.pop_back();
    EXPECT_THROW(readFirst(truncated), EndOfStreamException);
    // A block announced far beyond the end fails as reading it would, without a buffer sized for it.
    auto farBlock = Header(1, 4096);
    const std::vector<std::int32_t> huge = {0x7FFFFFF0};
    AppendIndexRecord(farBlock, "app/f.bin", 10, huge);
    EXPECT_THROW(readFirst(farBlock), EndOfStreamException);
    auto negative = Header(1, 4096);
    const std::vector<std::int32_t> minus = {-4};
    AppendIndexRecord(negative, "app/f.bin", 10, minus);
    EXPECT_THROW(readFirst(negative), ArgumentException);
}

TEST(BlockStream, FailsCleanlyWhenItsSourceIsGone) {
    auto source = SourceOf(Tools::BuildPackage({{"a", RandomBytes(9000, 7)}}, {4096, 3}));
    const PayloadEntry entry = source->Entries()[0];
    auto stream = entry.Open();
    std::vector<std::byte> buffer(100);
    EXPECT_EQ(stream->Read(buffer), 100u);
    source.reset();
    std::vector<std::byte> rest(4096);
    EXPECT_EQ(stream->Read(rest), 3996u) << "what is already decoded is still delivered";
    EXPECT_THROW(stream->Read(rest), ObjectDisposedException);
    EXPECT_THROW(entry.Open()->Read(rest), ObjectDisposedException);
}

}  // namespace
}  // namespace Ravenquill::Core
