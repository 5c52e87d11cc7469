// One decoder over blocks of every shape a package may hold, its memory kept from one to the next:
// each block decodes to its own bytes whatever the window its stream asks for.
#include <brotli/encode.h>
#include <gtest/gtest.h>

#include <random>

#include "core/payload/block_decoder.h"
#include "payload_test_support.h"

namespace Ravenquill::Core {
namespace {

using namespace Testing;

std::vector<std::byte> Prose(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    static const char* const Words[] = {"window ", "block ", "decoder ", "the ", "of ", "memory ", "kept.\n"};
    std::string text;
    while (text.size() < size) text += Words[random() % std::size(Words)];
    text.resize(size);
    return Bytes(text);
}

std::vector<std::byte> Compress(const std::vector<std::byte>& input, int quality, int windowBits) {
    std::vector<std::byte> out(BrotliEncoderMaxCompressedSize(input.size()) + 16);
    std::size_t size = out.size();
    EXPECT_TRUE(BrotliEncoderCompress(quality, windowBits, BROTLI_MODE_GENERIC, input.size(),
                                      reinterpret_cast<const std::uint8_t*>(input.data()), &size,
                                      reinterpret_cast<std::uint8_t*>(out.data())));
    out.resize(size);
    return out;
}

TEST(BlockDecoder, EveryBlockDecodesToItsBytesWhateverItsWindowAndWhateverCameBefore) {
    constexpr std::size_t Max = BlockDecoder::MaxOutput;
    struct Case {
        const char* name;
        std::vector<std::byte> content;
        int quality;
        int windowBits;
    };
    const std::vector<Case> cases = {
        {"a window larger than the block", Prose(100000, 1), 9, 17},
        {"a window exactly as large as the block", Prose(64 * 1024, 2), 9, 16},
        {"a window the block runs round many times", Prose(300000, 3), 9, 16},
        {"the largest block in a window of its size", Prose(Max, 4), 5, 22},
        {"a window larger than the largest block", Prose(3 * 1024 * 1024 + 5, 5), 5, 24},
        {"stored data in a window of its size", RandomBytes(1 << 20, 6), 5, 20},
        {"nothing", {}, 5, 16},
    };
    std::vector<std::vector<std::byte>> streams;
    for (const Case& c : cases) streams.push_back(Compress(c.content, c.quality, c.windowBits));
    BlockDecoder decoder;
    // In order and back again, each block given whole and in pieces, through the same decoder.
    for (int round = 0; round < 4; ++round) {
        for (std::size_t k = 0; k < cases.size(); ++k) {
            const std::size_t i = round % 2 == 0 ? k : cases.size() - 1 - k;
            SCOPED_TRACE(cases[i].name);
            const std::vector<std::byte>& stream = streams[i];
            const std::optional<std::span<const std::byte>> decoded =
                round < 2
                    ? decoder.Decode(stream)
                    : decoder.Decode(stream.size(), [&](std::size_t at, std::span<std::byte> room) {
                          std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(at), room.size(), room.begin());
                      });
            ASSERT_TRUE(decoded);
            EXPECT_TRUE(std::equal(decoded->begin(), decoded->end(), cases[i].content.begin(), cases[i].content.end()));
            EXPECT_LE(decoder.KeptBytes(), BlockDecoder::KeptBound);
        }
    }
}

TEST(BlockDecoder, AStreamThatDoesNotDecodeCompletelyWithinTheLargestBlockDecodesToNothing) {
    constexpr std::size_t Max = BlockDecoder::MaxOutput;
    const std::vector<std::byte> good = Compress(Prose(5000, 7), 5, 16);
    // The marker of a large window (WBITS 0b0010001), which a package's blocks never use.
    std::vector<std::byte> largeWindow = good;
    largeWindow[0] = std::byte{0x11};
    const std::vector<std::pair<const char*, std::vector<std::byte>>> cases = {
        {"one byte more than the largest block, in its window", Compress(Prose(Max + 1, 8), 5, 22)},
        {"more than the largest block in a larger window", Compress(Prose(Max + 70000, 9), 5, 24)},
        {"more than the largest block in a small window", Compress(Prose(Max + 10, 10), 5, 18)},
        {"cut short", std::vector<std::byte>(good.begin(), good.end() - 3)},
        {"a large window asked for", largeWindow},
        {"no bytes", {}},
    };
    BlockDecoder decoder;
    for (const auto& [name, stream] : cases) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(decoder.Decode(stream));
        // And the decoder goes on with the next block as before.
        const auto next = decoder.Decode(good);
        ASSERT_TRUE(next);
        EXPECT_EQ(next->size(), 5000u);
    }
}

}  // namespace
}  // namespace Ravenquill::Core
