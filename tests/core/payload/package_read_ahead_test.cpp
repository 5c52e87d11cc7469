// Reading a package's entries in order with their blocks decoded ahead on other threads: what the
// reader sees is what one thread, or each entry's own stream, gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <exception>
#include <functional>
#include <new>
#include <typeinfo>

#include "core/common/errors.h"
#include "core/payload/packed_payload_source.h"
#include "payload_test_support.h"
#include "support/allocation_failure.h"

namespace Ravenquill::Core {
namespace {

using namespace Testing;
using Ravenquill::Testing::AllocationChoice;
using Ravenquill::Testing::ScopedAllocationFailure;

constexpr int ManyThreads = 8;

// Every entry decoded ahead, however small: the fixtures' entries are of a few blocks of 4 KiB.
ReadAheadOptions Ahead(int threads, CancellationToken token = {}, std::int64_t leastLength = 0) {
    return ReadAheadOptions{threads, std::move(token), leastLength};
}

// One file of a hand-made package: its declared length and its blocks as raw bytes.
struct HandFile {
    std::string Path;
    std::int64_t Length;
    std::vector<std::vector<std::byte>> Blocks;
    // The index's compressed sizes, when they are not the blocks' own.
    std::vector<std::int32_t> DeclaredSizes = {};
};

std::vector<std::byte> HandMade(const std::vector<HandFile>& files) {
    std::vector<std::byte> bytes;
    Tools::AppendHeader(bytes, static_cast<std::int32_t>(files.size()), 4096);
    for (const HandFile& file : files) {
        std::vector<std::int32_t> sizes = file.DeclaredSizes;
        if (sizes.empty())
            for (const auto& block : file.Blocks) sizes.push_back(static_cast<std::int32_t>(block.size()));
        Tools::AppendIndexRecord(bytes, file.Path, file.Length, sizes);
    }
    for (const HandFile& file : files)
        for (const auto& block : file.Blocks) bytes.insert(bytes.end(), block.begin(), block.end());
    return bytes;
}

// A file's content cut into compressed blocks of 4096 bytes, as the packer cuts it.
HandFile Packed(std::string path, const std::vector<std::byte>& content) {
    HandFile file{std::move(path), static_cast<std::int64_t>(content.size()), {}};
    for (std::size_t at = 0; at < content.size(); at += 4096)
        file.Blocks.push_back(
            Tools::CompressBlock(std::span(content).subspan(at, std::min<std::size_t>(4096, content.size() - at)), 5));
    return file;
}

std::vector<std::byte> Damaged(std::vector<std::byte> block) {
    block[block.size() / 2] ^= std::byte{0x55};
    block.resize(block.size() - 3);
    return block;
}

std::vector<std::byte> Text(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    static const char* const Words[] = {"block ", "stream ", "entry ", "folder ", "= 1;\n", "payload "};
    std::string text;
    while (text.size() < size) text += Words[random() % std::size(Words)];
    text.resize(size);
    return Bytes(text);
}

// What a run that copies the entries one after another ends with: each entry finished, with its
// bytes, then the failure that stopped it (kind and message), if any.
struct Transcript {
    std::vector<std::pair<std::wstring, std::vector<std::byte>>> Entries;
    std::string Failure;

    bool operator==(const Transcript&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Transcript& t) {
    for (const auto& [path, bytes] : t.Entries) out << Utf8(path) << " (" << bytes.size() << " bytes) ";
    return out << "| " << (t.Failure.empty() ? "no failure" : t.Failure);
}

std::string Describe(const Exception& e) { return std::string(typeid(e).name()) + ": " + Text::ToUtf8(e.Message()); }

// Through a reader of the order, lent piece by piece as the installation writes.
Transcript CopyThroughReader(const PayloadSource& source, const std::vector<const PayloadEntry*>& order,
                             const ReadAheadOptions& options, std::size_t piece) {
    const auto reader = source.ReadInOrder(order, options);
    Transcript transcript;
    for (const PayloadEntry* entry : order) {
        std::vector<std::byte> bytes;
        try {
            const auto stream = reader->Open(*entry);
            for (std::span<const std::byte> p; !(p = stream->ReadSpan(piece)).empty();) {
                EXPECT_LE(p.size(), piece);
                bytes.insert(bytes.end(), p.begin(), p.end());
            }
        } catch (const Exception& e) {
            transcript.Failure = Describe(e);
            break;
        }
        transcript.Entries.emplace_back(entry->RelativePath, std::move(bytes));
    }
    return transcript;
}

// Through each entry's own stream: the reader of old.
Transcript CopyOneByOne(const std::vector<const PayloadEntry*>& order) {
    Transcript transcript;
    for (const PayloadEntry* entry : order) {
        std::vector<std::byte> bytes, buffer(81920);
        try {
            const auto stream = entry->Open();
            for (std::size_t n; (n = stream->Read(buffer)) != 0;)
                bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + n);
        } catch (const Exception& e) {
            transcript.Failure = Describe(e);
            break;
        }
        transcript.Entries.emplace_back(entry->RelativePath, std::move(bytes));
    }
    return transcript;
}

std::unique_ptr<PackedPayloadSource> SourceOf(std::vector<std::byte> bytes) {
    return std::make_unique<PackedPayloadSource>(std::make_unique<MemoryReadStream>(std::move(bytes)));
}

std::vector<const PayloadEntry*> All(const PayloadSource& source) {
    std::vector<const PayloadEntry*> order;
    for (const PayloadEntry& entry : source.Entries()) order.push_back(&entry);
    return order;
}

TEST(PackageReadAhead, DeliversWhatOneThreadAndEachEntrysOwnStreamDeliver) {
    const auto big = RandomBytes(50000, 1), text = Text(30000, 2), third = Text(9000, 3);
    const auto good = Tools::CompressBlock(RandomBytes(5000, 4), 5);
    const HandFile multi = Packed("app/multi.bin", RandomBytes(5 * 4096 + 100, 5));
    HandFile damaged = multi;
    damaged.Blocks[2] = Damaged(damaged.Blocks[2]);
    std::vector<HandFile> manySmall;
    for (int i = 0; i < 120; ++i)
        manySmall.push_back(Packed("small/" + std::to_string(i), Text(static_cast<std::size_t>(i * 37 % 3000), 9 + i)));
    std::vector<std::byte> truncated = HandMade({Packed("a", big), Packed("b", text)});
    truncated.resize(truncated.size() - 10);

    struct Case {
        const char* name;
        std::vector<std::byte> package;
        std::string failure;  // what the run ends with, beside the equality of all three readings
    };
    const std::vector<Case> cases = {
        {"blocks of several files, an empty one between",
         Tools::BuildPackage({{"big.bin", big}, {"empty", {}}, {"t.txt", text}, {"x", Bytes("x")}}, {4096, 5}), ""},
        {"many small files", HandMade(manySmall), ""},
        {"a damaged block in the middle of a multi-block entry",
         HandMade({Packed("first.txt", text), damaged, Packed("after.txt", third)}),
         "Пакет повреждён: не удалось распаковать «app\\multi.bin»."},
        {"the package cut short in the last block", truncated, "EndOfStream"},
        {"a negative block size in the second entry",
         HandMade({Packed("first.txt", text),
                   HandFile{"neg", 20000, {good}, {static_cast<std::int32_t>(good.size()), -4}},
                   Packed("after", third)}),
         "Non-negative number required"},
        {"the length cuts the last block, then blocks run out, then one decodes to nothing",
         HandMade({{"cut", 1234, {good, Damaged(good)}},
                   {"short", 20000, {good}},
                   {"ends", 9000, {Tools::CompressBlock({}, 5), good}},
                   Packed("after", third)}),
         ""},
        {"a length of 0 loads none of its blocks", HandMade({{"zero", 0, {Bytes("garbage")}}, Packed("after", text)}),
         ""},
        {"a damaged block past the length is never met", HandMade({{"past", 5000, {good, Damaged(good)}}}), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto source = SourceOf(c.package);
        const auto order = All(*source);
        const Transcript reference = CopyOneByOne(order);
        EXPECT_NE(reference.Failure.find(c.failure), std::string::npos) << reference;
        EXPECT_EQ(reference.Failure.empty(), c.failure.empty()) << reference;
        for (const std::size_t piece : {std::size_t{1000}, std::size_t{1 << 20}}) {
            EXPECT_EQ(CopyThroughReader(*source, order, Ahead(1), piece), reference) << "1 thread, piece " << piece;
            EXPECT_EQ(CopyThroughReader(*source, order, Ahead(ManyThreads), piece), reference)
                << ManyThreads << " threads, piece " << piece;
            EXPECT_EQ(CopyThroughReader(*source, order, Ahead(ManyThreads, {}, 10000), piece), reference)
                << ManyThreads << " threads, the entries below 10000 bytes on the reading thread, piece " << piece;
        }
        EXPECT_EQ(LiveReadAheadThreads(), 0u);
    }
}

TEST(PackageReadAhead, ADamagedBlockFailsItsEntryAfterTheEntriesBeforeItAndNothingAfterIt) {
    const auto first = Text(20000, 11), after = Text(9000, 12);
    HandFile damaged = Packed("app/multi.bin", RandomBytes(6 * 4096, 13));
    damaged.Blocks[3] = Damaged(damaged.Blocks[3]);
    const auto source = SourceOf(HandMade({Packed("first.txt", first), damaged, Packed("after.txt", after)}));
    const auto reader = source->ReadInOrder(All(*source), Ahead(ManyThreads));
    EXPECT_EQ(reader->Open(source->Entries()[0])->ReadToEnd(), first);
    const auto stream = reader->Open(source->Entries()[1]);
    std::vector<std::byte> buffer(4096);
    for (int block = 0; block < 3; ++block) EXPECT_EQ(stream->Read(buffer), 4096u) << "blocks before the damage";
    try {
        stream->Read(buffer);
        ADD_FAILURE() << "the damaged block was delivered";
    } catch (const InvalidDataException& e) {
        EXPECT_EQ(e.Message(), L"Пакет повреждён: не удалось распаковать «app\\multi.bin».");
    }
    EXPECT_THROW(stream->Read(buffer), InvalidDataException) << "and again when asked again";
}

// The package stream, recording which bytes were read from it.
class RecordingStream final : public ReadStream {
public:
    RecordingStream(std::vector<std::byte> bytes,
                    std::shared_ptr<std::vector<std::pair<std::int64_t, std::size_t>>> log)
        : inner_(std::move(bytes)), log_(std::move(log)) {}
    std::size_t Read(std::span<std::byte> buffer) override {
        const std::int64_t at = inner_.Position();
        const std::size_t n = inner_.Read(buffer);
        log_->emplace_back(at, n);
        return n;
    }
    std::int64_t Length() const override { return inner_.Length(); }
    std::int64_t Position() const override { return inner_.Position(); }
    bool CanSeek() const noexcept override { return true; }
    void Seek(std::int64_t position) override { inner_.Seek(position); }

private:
    MemoryReadStream inner_;
    std::shared_ptr<std::vector<std::pair<std::int64_t, std::size_t>>> log_;
};

TEST(PackageReadAhead, NothingIsReadForEntriesLeftOutOfTheOrder) {
    const auto a = RandomBytes(20000, 21), b = Text(40000, 22), c = RandomBytes(12000, 23);
    const auto bytes = HandMade({Packed("a", a), Packed("b", b), Packed("c", c)});
    auto log = std::make_shared<std::vector<std::pair<std::int64_t, std::size_t>>>();
    PackedPayloadSource source(std::make_unique<RecordingStream>(bytes, log));
    const auto& entries = source.Entries();
    log->clear();
    {
        const auto reader = source.ReadInOrder({&entries[0], &entries[2]}, Ahead(ManyThreads));
        EXPECT_EQ(reader->Open(entries[0])->ReadToEnd(), a);
        EXPECT_EQ(reader->Open(entries[2])->ReadToEnd(), c);
    }
    MemoryReadStream indexStream(bytes);
    const auto index = PackedPayload::ReadIndex(indexStream);
    const std::int64_t begin = index[1].Offset, end = index[2].Offset;
    ASSERT_LT(begin, end);
    for (const auto& [at, n] : *log)
        EXPECT_TRUE(at + static_cast<std::int64_t>(n) <= begin || at >= end) << "read " << n << " bytes at " << at;
}

TEST(PackageReadAhead, ACancellationEndsTheReadingWithinOneBlock) {
    const auto large = Text(64 * 4096, 31);
    const auto source = SourceOf(HandMade({Packed("large.txt", large), Packed("next", Text(5000, 32))}));
    // Decoded ahead on one thread and on many, and on the reading thread as a small entry is.
    for (const auto& [threads, least] : {std::pair{1, 0}, std::pair{ManyThreads, 0}, std::pair{ManyThreads, 1 << 30}}) {
        SCOPED_TRACE(threads);
        SCOPED_TRACE(least);
        CancellationTokenSource cancel;
        {
            const auto reader = source->ReadInOrder(All(*source), Ahead(threads, cancel.get_token(), least));
            const auto stream = reader->Open(source->Entries()[0]);
            std::vector<std::byte> delivered, buffer(1000);
            while (delivered.size() < 3 * 4096 + 500) {
                const std::size_t n = stream->Read(buffer);
                delivered.insert(delivered.end(), buffer.begin(), buffer.begin() + n);
            }
            cancel.request_stop();
            try {
                for (std::size_t n; (n = stream->Read(buffer)) != 0;)
                    delivered.insert(delivered.end(), buffer.begin(), buffer.begin() + n);
                ADD_FAILURE() << "the cancellation was not seen";
            } catch (const OperationCanceledException&) {
            }
            EXPECT_EQ(delivered.size(), 4u * 4096) << "the block being read is delivered to its end, no further";
            EXPECT_TRUE(std::equal(delivered.begin(), delivered.end(), large.begin()));
            EXPECT_THROW(reader->Open(source->Entries()[1])->ReadToEnd(), OperationCanceledException);
        }
        EXPECT_EQ(LiveReadAheadThreads(), 0u);
    }
}

TEST(PackageReadAhead, NoThreadOutlivesItsReaderHoweverTheReadingEnds) {
    std::vector<HandFile> files;
    for (int i = 0; i < 6; ++i) files.push_back(Packed("f" + std::to_string(i), Text(12 * 4096, 40 + i)));
    files[4].Blocks[5] = Damaged(files[4].Blocks[5]);
    const auto source = SourceOf(HandMade(files));
    const auto order = All(*source);
    const std::vector<std::pair<const char*, std::function<void(EntryReader&)>>> endings = {
        {"nothing opened", [](EntryReader&) {}},
        {"left in the middle of an entry",
         [&](EntryReader& reader) {
             std::vector<std::byte> buffer(5000);
             reader.Open(*order[1])->Read(buffer);
         }},
        {"failed at the damaged block",
         [&](EntryReader& reader) {
             const auto all = [&] {
                 for (const PayloadEntry* entry : order) reader.Open(*entry)->ReadToEnd();
             };
             EXPECT_THROW(all(), InvalidDataException);
         }},
        {"read to the end",
         [&](EntryReader& reader) {
             for (std::size_t i = 0; i < 4; ++i) reader.Open(*order[i])->ReadToEnd();
         }},
    };
    for (const auto& [name, ending] : endings) {
        SCOPED_TRACE(name);
        {
            const auto reader = source->ReadInOrder(order, Ahead(ManyThreads));
            ending(*reader);
        }
        EXPECT_EQ(LiveReadAheadThreads(), 0u);
    }
}

TEST(PackageReadAhead, EntriesOpenedOutOfTurnGetTheirOwnBytes) {
    const auto a = Text(30000, 51), b = RandomBytes(30000, 52), c = Text(30000, 53);
    const auto source = SourceOf(HandMade({Packed("a", a), Packed("b", b), Packed("c", c)}));
    const auto& entries = source->Entries();
    for (const int threads : {1, ManyThreads}) {
        SCOPED_TRACE(threads);
        const auto reader = source->ReadInOrder(All(*source), Ahead(threads));
        // A stream left open while a later entry is read, an entry skipped, one opened again.
        const auto first = reader->Open(entries[0]);
        std::vector<std::byte> half(15000);
        first->ReadExactly(half);
        EXPECT_EQ(reader->Open(entries[2])->ReadToEnd(), c);
        std::vector<std::byte> rest = first->ReadToEnd();
        half.insert(half.end(), rest.begin(), rest.end());
        EXPECT_EQ(half, a);
        EXPECT_EQ(reader->Open(entries[1])->ReadToEnd(), b);
        EXPECT_EQ(reader->Open(entries[0])->ReadToEnd(), a);
        // Two streams read by turns.
        const auto again = reader->Open(entries[2]);
        const auto other = reader->Open(entries[1]);
        std::vector<std::byte> gotC, gotB, buffer(3000);
        for (int round = 0; round < 20; ++round) {
            std::size_t n = again->Read(buffer);
            gotC.insert(gotC.end(), buffer.begin(), buffer.begin() + n);
            n = other->Read(buffer);
            gotB.insert(gotB.end(), buffer.begin(), buffer.begin() + n);
        }
        EXPECT_EQ(gotC, c);
        EXPECT_EQ(gotB, b);
    }
}

// Reading the order through a reader while one allocation of the process fails: how many entries
// were read to their end (their bytes in `bytes`) and what the reading failed with, if anything.
// While the allocations are counted nothing is allocated here but by the reader and its threads.
struct Outcome {
    std::size_t Finished = 0;
    std::exception_ptr Failure;
    std::size_t Counted = 0;
};

Outcome ReadWhileAllocationFails(const PayloadSource& source, const std::vector<const PayloadEntry*>& order,
                                 const ReadAheadOptions& options, AllocationChoice choice,
                                 std::vector<std::vector<std::byte>>& bytes) {
    bytes.resize(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        bytes[i].clear();
        bytes[i].reserve(static_cast<std::size_t>(order[i]->Length));
    }
    Outcome outcome;
    const ScopedAllocationFailure failure(choice);
    try {
        const auto reader = source.ReadInOrder(order, options);
        for (; outcome.Finished < order.size(); ++outcome.Finished) {
            std::vector<std::byte>& into = bytes[outcome.Finished];
            const auto stream = reader->Open(*order[outcome.Finished]);
            for (std::span<const std::byte> p; !(p = stream->ReadSpan(1 << 20)).empty();)
                into.insert(into.end(), p.begin(), p.end());
        }
    } catch (...) {
        outcome.Failure = std::current_exception();
    }
    outcome.Counted = failure.Counted();
    return outcome;
}

// A package read from a file rather than from memory: its blocks are read in pieces.
std::unique_ptr<PackedPayloadSource> FileSourceOf(std::vector<std::byte> bytes) {
    auto log = std::make_shared<std::vector<std::pair<std::int64_t, std::size_t>>>();
    return std::make_unique<PackedPayloadSource>(std::make_unique<RecordingStream>(std::move(bytes), log));
}

TEST(PackageReadAhead, AnAllocationThatFailsAnywhereFailsTheReadingOnTheReadingThread) {
    const std::vector<std::byte> package =
        HandMade({Packed("first.bin", RandomBytes(9 * 4096 + 17, 71)), Packed("small.txt", Text(900, 72)),
                  Packed("text.txt", Text(14 * 4096, 73)), Packed("last.bin", RandomBytes(5000, 74))});
    for (const bool inMemory : {true, false}) {
        SCOPED_TRACE(inMemory ? "package in memory" : "package read from a file");
        const auto source = inMemory ? SourceOf(package) : FileSourceOf(package);
        const auto order = All(*source);
        std::vector<std::vector<std::byte>> reference;
        for (const PayloadEntry* entry : order) reference.push_back(entry->Open()->ReadToEnd());
        // Decoded on the reading thread, ahead on many (the scheduling of blocks, the start of
        // each thread, each slot's first blocks), and with the small entries on the reading thread.
        for (const auto& [threads, least] :
             {std::pair{1, 0}, std::pair{ManyThreads, 0}, std::pair{ManyThreads, 8000}}) {
            SCOPED_TRACE(std::to_string(threads) + " threads, entries below " + std::to_string(least) +
                         " bytes on the reading thread");
            const ReadAheadOptions options = Ahead(threads, {}, least);
            std::vector<std::vector<std::byte>> bytes;
            const Outcome counting = ReadWhileAllocationFails(*source, order, options, {}, bytes);
            ASSERT_FALSE(counting.Failure);
            ASSERT_GT(counting.Counted, 0u);
            for (std::size_t failAt = 1; failAt <= counting.Counted; ++failAt) {
                const Outcome outcome = ReadWhileAllocationFails(*source, order, options, {failAt}, bytes);
                EXPECT_EQ(LiveReadAheadThreads(), 0u) << "allocation " << failAt;
                for (std::size_t i = 0; i < outcome.Finished; ++i)
                    EXPECT_TRUE(bytes[i] == reference[i]) << "allocation " << failAt << ", entry " << i;
                if (!outcome.Failure) {
                    // The allocation was not needed this time (threads take their turns differently)
                    // or was for a block no entry needed.
                    EXPECT_EQ(outcome.Finished, order.size()) << "allocation " << failAt;
                    continue;
                }
                // What failed is memory, not the package.
                try {
                    std::rethrow_exception(outcome.Failure);
                } catch (const std::bad_alloc&) {
                } catch (const Exception& e) {
                    ADD_FAILURE() << "allocation " << failAt << ": " << Describe(e);
                }
            }
        }
    }
}

TEST(PackageReadAhead, DecodingAsksForBlockSizedMemoryOnlyUntilEveryDecoderHasItsOwn) {
    // Forty blocks of 64 KiB in two entries: each decoder's window is as large as a block.
    constexpr std::size_t Block = 64 * 1024;
    std::vector<HandFile> files;
    for (int f = 0; f < 2; ++f) {
        const std::vector<std::byte> content = Text(20 * Block, 81 + f);
        HandFile file{"large" + std::to_string(f), static_cast<std::int64_t>(content.size()), {}};
        for (std::size_t at = 0; at < content.size(); at += Block)
            file.Blocks.push_back(Tools::CompressBlock(std::span(content).subspan(at, Block), 5));
        files.push_back(std::move(file));
    }
    const std::vector<std::byte> package = HandMade(files);
    const AllocationChoice blockSized{0, Block / 2};
    for (const bool inMemory : {true, false}) {
        SCOPED_TRACE(inMemory ? "package in memory" : "package read from a file");
        const auto source = inMemory ? SourceOf(package) : FileSourceOf(package);
        const auto order = All(*source);
        std::vector<std::vector<std::byte>> bytes;
        for (const int threads : {1, ManyThreads}) {
            const Outcome outcome = ReadWhileAllocationFails(*source, order, Ahead(threads), blockSized, bytes);
            ASSERT_FALSE(outcome.Failure);
            // A window as large as the block may be written over before the block ends: each slot
            // also keeps a block's room to gather it in.
            EXPECT_LE(outcome.Counted, 2u * static_cast<std::size_t>(threads)) << threads << " threads";
        }
        // Each entry's own stream, one after another, again and again: one decoder for all of them.
        std::vector<std::byte> into(20 * Block);
        const ScopedAllocationFailure counting(blockSized);
        for (int round = 0; round < 3; ++round)
            for (const PayloadEntry* entry : order) entry->Open()->ReadExactly(into);
        EXPECT_LE(counting.Counted(), 2u) << "the window, and the block gathered from it";
    }
}

TEST(PackageReadAhead, AfterTheSourceIsGoneTheNextBlockFails) {
    auto source = SourceOf(HandMade({Packed("a", Text(9 * 4096, 61))}));
    const auto reader = source->ReadInOrder(All(*source), Ahead(ManyThreads));
    const auto stream = reader->Open(source->Entries()[0]);
    std::vector<std::byte> buffer(100);
    EXPECT_EQ(stream->Read(buffer), 100u);
    source.reset();
    std::vector<std::byte> rest(4096);
    EXPECT_EQ(stream->Read(rest), 3996u) << "what is already decoded is still delivered";
    EXPECT_THROW(stream->Read(rest), ObjectDisposedException);
}

}  // namespace
}  // namespace Ravenquill::Core
