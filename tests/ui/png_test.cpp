#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/common/errors.h"
#include "core/common/read_stream.h"
#include "core/common/text.h"
#include "ui/png.h"

namespace Ravenquill::Ui {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::filesystem::path DataDir() {
    const char* root = std::getenv("RQ_TEST_DATA");
    return std::filesystem::path(root != nullptr ? root : "tests/data") / "ui";
}

Bytes ReadFixture(const std::string& name) {
    const auto bytes = ReadAllBytes(Text::FromUtf8((DataDir() / name).string()));
    return Bytes(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                 reinterpret_cast<const std::uint8_t*>(bytes.data()) + bytes.size());
}

std::filesystem::path TempFile(const std::string& name) {
    return std::filesystem::temp_directory_path() / ("rq-ui-png-" + name);
}

// The straight R, G, B, A of the fixtures' pixels (make-png-fixtures.py).
struct Straight {
    unsigned R, G, B, A;
};
unsigned Grey(int x, int y) { return (x * 31 + y * 17) % 256; }
unsigned Alpha(int x, int y) { return (x * 40 + y * 10) % 256; }
Straight Rgb(int x, int y) {
    return {unsigned(x * 37 + y * 11) % 256, unsigned(x * 13 + y * 59) % 256, unsigned(255 - x * 29 - y * 7) % 256,
            255};
}
Straight PixelOf(const std::string& fixture, int x, int y) {
    if (fixture == "grey.png") return {Grey(x, y), Grey(x, y), Grey(x, y), 255};
    if (fixture == "rgb.png") return Rgb(x, y);
    if (fixture == "grey-alpha.png") return {Grey(x, y), Grey(x, y), Grey(x, y), Alpha(x, y)};
    if (fixture == "rgba.png") {
        Straight s = Rgb(x, y);
        s.A = Alpha(x, y);
        return s;
    }
    const Straight palette[] = {{255, 0, 0, 255}, {0, 255, 0, 128}, {0, 0, 255, 0}, {255, 255, 255, 255}};
    return palette[(x + y) % 4];
}

// A hand-made PNG: signature, IHDR, the given rows deflated as one IDAT, IEND.
Bytes MakePng(int width, int height, std::uint8_t bitDepth, std::uint8_t colorType, const Bytes& filteredRows,
              const std::vector<std::pair<std::string, Bytes>>& extraBeforeIdat = {}, std::uint8_t interlace = 0) {
    Bytes out = {137, 80, 78, 71, 13, 10, 26, 10};
    const Bytes header = {std::uint8_t(width >> 24),
                          std::uint8_t(width >> 16),
                          std::uint8_t(width >> 8),
                          std::uint8_t(width),
                          std::uint8_t(height >> 24),
                          std::uint8_t(height >> 16),
                          std::uint8_t(height >> 8),
                          std::uint8_t(height),
                          bitDepth,
                          colorType,
                          0,
                          0,
                          interlace};
    Png::WriteChunk(out, "IHDR", header);
    for (const auto& [type, data] : extraBeforeIdat) Png::WriteChunk(out, type, data);
    uLongf size = compressBound(static_cast<uLong>(filteredRows.size()));
    Bytes deflated(size);
    compress(deflated.data(), &size, filteredRows.data(), static_cast<uLong>(filteredRows.size()));
    deflated.resize(size);
    Png::WriteChunk(out, "IDAT", deflated);
    Png::WriteChunk(out, "IEND", {});
    return out;
}

TEST(PngDecode, ReadsImagesOfEveryAcceptedColourTypeFromARealEncoder) {
    for (const std::string name : {"grey.png", "rgb.png", "palette.png", "grey-alpha.png", "rgba.png"}) {
        const auto image = Png::Decode(ReadFixture(name));
        ASSERT_TRUE(image) << name;
        ASSERT_EQ(image->Width, 7) << name;
        ASSERT_EQ(image->Height, 5) << name;
        ASSERT_EQ(image->Pixels.size(), 7u * 5 * 4) << name;
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 7; ++x) {
                const Straight s = PixelOf(name, x, y);
                const std::uint8_t* p = image->Pixels.data() + (y * 7 + x) * 4;
                ASSERT_EQ(p[0], s.B * s.A / 255) << name << " " << x << "," << y;
                ASSERT_EQ(p[1], s.G * s.A / 255) << name << " " << x << "," << y;
                ASSERT_EQ(p[2], s.R * s.A / 255) << name << " " << x << "," << y;
                ASSERT_EQ(p[3], s.A) << name << " " << x << "," << y;
            }
        }
    }
}

TEST(PngDecode, EveryCutOfARealFileIsReadSafely) {
    // Never reads past the input (the sanitizers watch), and a cut in the image data is no image.
    const Bytes whole = ReadFixture("rgba.png");
    for (std::size_t n = 0; n < whole.size(); ++n) {
        const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
        const auto image = Png::Decode(cut);
        if (n < 0x77 + 30) {  // until the IDAT data (at 0x77, 30 bytes) is complete; CRCs are never read
            EXPECT_FALSE(image) << n;
        }
    }
    EXPECT_TRUE(Png::Decode(whole));
}

TEST(PngSave, WritesOneRgbaImageThatReadsBack) {
    const int w = 3, h = 2;
    // Premultiplied BGRA: opaque, half-transparent grey, the 200/100 overflow, transparent.
    const Bytes pixels = {10, 20, 30, 255, 64, 64, 64, 128, 200, 0, 0, 100, 0, 0, 0, 0, 1, 2, 3, 255, 50, 50, 50, 50};
    const auto path = TempFile("roundtrip.png");
    Png::Save(Text::FromUtf8(path.string()), pixels, w, h);
    const Bytes file = [&] {
        const auto b = ReadAllBytes(Text::FromUtf8(path.string()));
        return Bytes(reinterpret_cast<const std::uint8_t*>(b.data()),
                     reinterpret_cast<const std::uint8_t*>(b.data()) + b.size());
    }();
    ASSERT_GT(file.size(), 8u + 25 + 12 + 12);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 8), (Bytes{137, 80, 78, 71, 13, 10, 26, 10}));
    EXPECT_EQ(Bytes(file.begin() + 8, file.begin() + 16), (Bytes{0, 0, 0, 13, 'I', 'H', 'D', 'R'}));
    EXPECT_EQ(Bytes(file.begin() + 24, file.begin() + 29), (Bytes{8, 6, 0, 0, 0}));
    EXPECT_EQ(Bytes(file.end() - 12, file.end()), (Bytes{0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82}));
    EXPECT_EQ(Bytes(file.begin() + 37, file.begin() + 41), (Bytes{'I', 'D', 'A', 'T'}));
    const std::uint32_t idatLength = (file[33] << 24) | (file[34] << 16) | (file[35] << 8) | file[36];
    EXPECT_EQ(33 + 12 + idatLength + 12, file.size());  // exactly one IDAT, then IEND

    // The straight-alpha rows as written.
    Bytes rows(static_cast<std::size_t>((w * 4 + 1) * h));
    uLongf rowsSize = static_cast<uLongf>(rows.size());
    ASSERT_EQ(uncompress(rows.data(), &rowsSize, file.data() + 41, idatLength), Z_OK);
    EXPECT_EQ(rows, (Bytes{0, 30, 20, 10, 255, 127, 127, 127, 128, 0,   0,   255, 100,
                           0, 0,  0,  0,  0,   3,   2,   1,   255, 255, 255, 255, 50}));

    const auto image = Png::Decode(file);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Width, w);
    EXPECT_EQ(image->Height, h);
    EXPECT_EQ(image->Pixels,
              (Bytes{10, 20, 30, 255, 63, 63, 63, 128, 100, 0, 0, 100, 0, 0, 0, 0, 1, 2, 3, 255, 50, 50, 50, 50}));
    std::filesystem::remove(path);
}

TEST(PngSave, AScreenshotSizedImageOfNoisyOpaquePixelsReadsBackExactly) {
    // 940 × 580 of noise deflates to far more than one output step of the writer.
    const int w = 940, h = 580;
    Bytes pixels(static_cast<std::size_t>(w) * h * 4);
    std::uint32_t state = 12345;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        pixels[i] = (i % 4 == 3) ? 255 : static_cast<std::uint8_t>(state >> 24);
    }
    const Bytes png = Png::Encode(pixels, w, h);
    EXPECT_GT(png.size(), 1u << 20);
    const auto image = Png::Decode(png);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Width, w);
    EXPECT_EQ(image->Height, h);
    EXPECT_TRUE(image->Pixels == pixels);
}

TEST(PngSave, PngcheckAcceptsWhatSaveWrites) {
    if (std::system("pngcheck -h >/dev/null 2>&1") != 0 && std::system("command -v pngcheck >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "pngcheck is not installed";
    Bytes pixels(64 * 40 * 4);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 7 % 256);
    for (std::size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 255;
    const auto path = TempFile("pngcheck.png");
    Png::Save(Text::FromUtf8(path.string()), pixels, 64, 40);
    EXPECT_EQ(std::system(("pngcheck -q " + path.string()).c_str()), 0);
    std::filesystem::remove(path);
}

TEST(PngSave, RefusesAShortPixelBufferBeforeCreatingTheFile) {
    const auto path = TempFile("short.png");
    std::filesystem::remove(path);
    const Bytes pixels(2 * 2 * 4 - 1);
    EXPECT_THROW(Png::Save(Text::FromUtf8(path.string()), pixels, 2, 2), ArgumentException);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_THROW(Png::Save(Text::FromUtf8(path.string()), pixels, 0, 1), ArgumentException);
    EXPECT_THROW(Png::Save(Text::FromUtf8(path.string()), pixels, -1, -1), ArgumentException);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(PngSave, MissingDirectoryIsAnIoError) {
    const Bytes pixels(4, 255);
    const auto path = TempFile("no-such-dir") / "x.png";
    EXPECT_THROW(Png::Save(Text::FromUtf8(path.string()), pixels, 1, 1), IOException);
}

TEST(PngDecode, RefusesFormsItDoesNotRead) {
    const Bytes grey2x1 = {0, 10, 20};
    EXPECT_TRUE(Png::Decode(MakePng(2, 1, 8, 0, grey2x1)));
    struct Case {
        const char* Name;
        Bytes Png;
    };
    const Case cases[] = {
        {"16-bit", MakePng(1, 1, 16, 0, {0, 1, 2})},
        {"4-bit", MakePng(2, 1, 4, 0, {0, 0x12})},
        {"1-bit", MakePng(8, 1, 1, 0, {0, 0xAA})},
        {"interlaced", MakePng(2, 1, 8, 0, grey2x1, {}, 1)},
        {"colour type 5", MakePng(2, 1, 8, 5, grey2x1)},
        {"colour type 1", MakePng(2, 1, 8, 1, grey2x1)},
        {"palette without PLTE", MakePng(2, 1, 8, 3, {0, 0, 0})},
        {"index beyond the palette", MakePng(2, 1, 8, 3, {0, 0, 1}, {{"PLTE", {1, 2, 3}}})},
        {"zero width", MakePng(0, 1, 8, 0, {0})},
        {"negative height", MakePng(1, -1, 8, 0, {0, 0})},
        {"data too short for the size", MakePng(2, 2, 8, 0, grey2x1)},
        {"pixel count overflows", MakePng(0x7FFFFFFF, 0x7FFFFFFF, 8, 6, grey2x1)},
        {"row length overflows", MakePng(0x20000000, 1, 8, 6, grey2x1)},
        {"bad signature", Bytes{137, 80, 78, 71, 13, 10, 26, 11}},
        {"empty", Bytes{}},
    };
    for (const Case& c : cases) EXPECT_FALSE(Png::Decode(c.Png)) << c.Name;
}

TEST(PngDecode, HugeDimensionsWithLittleDataCostNoMemory) {
    // 16384 × 16384 RGBA would be a gigabyte; the few inflated bytes cannot fill it.
    EXPECT_FALSE(Png::Decode(MakePng(16384, 16384, 8, 6, Bytes(100, 0))));
}

TEST(PngDecode, TruncatedOrDamagedZlibStreamIsNoImage) {
    const Bytes rows = {0, 10, 20};
    uLongf size = compressBound(3);
    Bytes deflated(size);
    compress(deflated.data(), &size, rows.data(), 3);
    deflated.resize(size);
    Bytes png = {137, 80, 78, 71, 13, 10, 26, 10};
    Png::WriteChunk(png, "IHDR", Bytes{0, 0, 0, 2, 0, 0, 0, 1, 8, 0, 0, 0, 0});
    const std::size_t idatAt = png.size();
    // Without the Adler-32 trailer: every image byte is there, but the stream is cut short.
    Png::WriteChunk(png, "IDAT", Bytes(deflated.begin(), deflated.end() - 4));
    Png::WriteChunk(png, "IEND", {});
    EXPECT_FALSE(Png::Decode(png));

    Bytes damaged = MakePng(2, 1, 8, 0, rows);
    damaged[idatAt + 8 + deflated.size() - 1] ^= 0xFF;  // the checksum's last byte
    EXPECT_FALSE(Png::Decode(damaged));
}

TEST(PngDecode, ToleratesWhatThePlatformReadersTolerate) {
    const Bytes rows = {0, 10, 20};
    Bytes wrongCrc = MakePng(2, 1, 8, 0, rows);
    for (std::size_t i = 8 + 8 + 13; i < 8 + 8 + 13 + 4; ++i) wrongCrc[i] ^= 0x55;  // IHDR's CRC
    EXPECT_TRUE(Png::Decode(wrongCrc));

    Bytes afterEnd = MakePng(2, 1, 8, 0, rows);
    Png::WriteChunk(afterEnd, "IHDR", Bytes{0, 0, 0, 9, 0, 0, 0, 9, 16, 0, 0, 0, 0});  // never read
    EXPECT_TRUE(Png::Decode(afterEnd));

    Bytes noEnd = MakePng(2, 1, 8, 0, rows);
    noEnd.resize(noEnd.size() - 12);
    EXPECT_TRUE(Png::Decode(noEnd));

    // Unknown chunks, critical or not, are skipped; extra inflated bytes are ignored.
    const auto withExtras = Png::Decode(MakePng(1, 1, 8, 2, {0, 1, 2, 3, 99, 99}, {{"abCD", {1}}, {"XYZW", {}}}));
    ASSERT_TRUE(withExtras);
    EXPECT_EQ(withExtras->Pixels, (Bytes{3, 2, 1, 255}));
}

TEST(PngDecode, PaletteTransparencyShorterThanThePalette) {
    const auto image = Png::Decode(
        MakePng(3, 1, 8, 3, {0, 0, 1, 2}, {{"PLTE", {200, 100, 50, 10, 20, 30, 1, 2, 3}}, {"tRNS", {0, 128}}}));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Pixels, (Bytes{0, 0, 0, 0, 15, 10, 5, 128, 3, 2, 1, 255}));
    // A tRNS chunk means nothing to an RGB image.
    const auto rgb = Png::Decode(MakePng(1, 1, 8, 2, {0, 1, 2, 3}, {{"tRNS", {0, 0, 0, 0, 0, 0}}}));
    ASSERT_TRUE(rgb);
    EXPECT_EQ(rgb->Pixels, (Bytes{3, 2, 1, 255}));
}

TEST(PngUnfilter, EachFilterTypeAndUnknownOnes) {
    // Two grey rows of three pixels, one byte per pixel.
    struct Case {
        std::uint8_t Filter;
        Bytes Expected;  // second row restored, over a first row of 10, 20, 30 (filter None)
    };
    const Case cases[] = {
        {0, {1, 2, 3}},    {1, {1, 3, 6}}, {2, {11, 22, 33}},
        {3, {6, 15, 25}},  // (a + b) / 2 each: 5 + 1, 13 + 2, 22 + 3
        {4, {11, 22, 33}}, {5, {1, 2, 3}}, {255, {1, 2, 3}},
    };
    for (const Case& c : cases) {
        const Bytes filtered = {0, 10, 20, 30, c.Filter, 1, 2, 3};
        Bytes target(6);
        Png::Unfilter(filtered, target, 2, 3, 1);
        EXPECT_EQ(Bytes(target.begin() + 3, target.end()), c.Expected) << int(c.Filter);
    }
    Bytes wrap(2);
    Png::Unfilter(Bytes{1, 200, 100}, wrap, 1, 2, 1);
    EXPECT_EQ(wrap, (Bytes{200, 44}));  // sums are modulo 256
}

TEST(PngPaeth, PicksTheNearestNeighbour) {
    EXPECT_EQ(Png::Paeth(10, 20, 10), 20);  // p = 20: up
    EXPECT_EQ(Png::Paeth(20, 10, 10), 20);  // p = 20: left
    EXPECT_EQ(Png::Paeth(10, 10, 10), 10);
    EXPECT_EQ(Png::Paeth(0, 100, 90), 0);   // p = 10: left is nearest
    EXPECT_EQ(Png::Paeth(100, 0, 90), 0);   // p = 10: up is nearest (ties go left, then up)
    EXPECT_EQ(Png::Paeth(50, 60, 55), 55);  // p = 55: upper-left
}

TEST(PngCrc, MatchesTheStandardCheckValues) {
    const std::string end = "IEND";
    const Bytes type(end.begin(), end.end());
    EXPECT_EQ(Png::Crc32(type, {}), 0xAE426082u);
    const std::string digits = "123456789";
    EXPECT_EQ(Png::Crc32({}, Bytes(digits.begin(), digits.end())), 0xCBF43926u);
}

}  // namespace
}  // namespace Ravenquill::Ui
