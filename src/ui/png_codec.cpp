#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <limits>

#include "core/common/errors.h"
#include "core/common/file_write.h"
#include "png.h"

namespace Ravenquill::Ui::Png {
namespace {

constexpr std::uint8_t Signature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
constexpr std::int64_t MaxProduct = std::numeric_limits<std::int32_t>::max();

void PutUint32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 24));
    out.push_back(static_cast<std::uint8_t>(v >> 16));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

std::uint32_t GetUint32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | std::uint32_t{p[3]};
}

void CheckImageArguments(std::span<const std::uint8_t> pixels, int width, int height) {
    if (width <= 0 || height <= 0) throw ArgumentException(L"The image must be at least one pixel wide and high.");
    // Checked before anything is made, so a short buffer never leaves a half-written file behind.
    const auto needed = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 4;
    if (pixels.size() < needed) throw ArgumentException(L"The pixel buffer is shorter than width × height × 4 bytes.");
}

// Rows of filter type 0 followed by straight-alpha R, G, B, A.
std::vector<std::uint8_t> FilteredRows(std::span<const std::uint8_t> pixels, int width, int height) {
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
    std::vector<std::uint8_t> rows;
    rows.reserve((rowBytes + 1) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        rows.push_back(0);
        const std::uint8_t* p = pixels.data() + static_cast<std::size_t>(y) * rowBytes;
        for (int x = 0; x < width; ++x, p += 4) {
            const unsigned a = p[3];
            const auto straight = [a](unsigned c) -> std::uint8_t {
                if (a == 0 || a == 255) return static_cast<std::uint8_t>(c);
                return static_cast<std::uint8_t>(std::min(c * 255 / a, 255u));
            };
            rows.push_back(straight(p[2]));
            rows.push_back(straight(p[1]));
            rows.push_back(straight(p[0]));
            rows.push_back(static_cast<std::uint8_t>(a));
        }
    }
    return rows;
}

// zlib counts its buffers in 32 bits; longer input is handed over a gigabyte at a time.
void Feed(z_stream& z, const std::uint8_t*& next, std::size_t& remaining) noexcept {
    if (z.avail_in != 0 || remaining == 0) return;
    const auto n = static_cast<uInt>(std::min<std::size_t>(remaining, std::size_t{1} << 30));
    z.next_in = const_cast<Bytef*>(next);
    z.avail_in = n;
    next += n;
    remaining -= n;
}

std::vector<std::uint8_t> Deflate(const std::vector<std::uint8_t>& data) {
    z_stream z{};
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw InvalidOperationException(L"zlib could not start compressing.");
    const std::uint8_t* next = data.data();
    std::size_t remaining = data.size();
    std::vector<std::uint8_t> out;
    constexpr std::size_t Step = 1 << 18;
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        Feed(z, next, remaining);
        const std::size_t have = out.size();
        out.resize(have + Step);
        z.next_out = out.data() + have;
        z.avail_out = static_cast<uInt>(Step);
        status = deflate(&z, remaining == 0 ? Z_FINISH : Z_NO_FLUSH);
        out.resize(out.size() - z.avail_out);
        if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) {
            deflateEnd(&z);
            throw InvalidOperationException(L"zlib could not finish compressing.");
        }
    }
    deflateEnd(&z);
    return out;
}

// Inflates one zlib stream, keeping at most `wanted` bytes and growing the buffer only as data
// arrives, so dimensions the data cannot fill never cost their size in memory. Nothing unless the
// stream is complete and sound (a stream cut short or failing its checksum gives nothing).
std::optional<std::vector<std::uint8_t>> Inflate(const std::vector<std::uint8_t>& data, std::size_t wanted) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return std::nullopt;
    const std::uint8_t* next = data.data();
    std::size_t remaining = data.size();
    std::vector<std::uint8_t> out;
    std::uint8_t discard[16384];
    constexpr std::size_t Step = 1 << 16;
    int status = Z_OK;
    while (status == Z_OK) {
        Feed(z, next, remaining);
        if (out.size() < wanted) {
            const std::size_t have = out.size();
            out.resize(std::min(wanted, have + std::max(Step, have)));
            z.next_out = out.data() + have;
            z.avail_out = static_cast<uInt>(out.size() - have);
            status = inflate(&z, Z_NO_FLUSH);
            out.resize(out.size() - z.avail_out);
        } else {
            // Bytes past what the image needs are read only to reach the stream's end and checksum.
            z.next_out = discard;
            z.avail_out = sizeof discard;
            status = inflate(&z, Z_NO_FLUSH);
        }
    }
    inflateEnd(&z);
    if (status != Z_STREAM_END) return std::nullopt;
    return out;
}

struct Chunks {
    bool HaveHeader = false;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::uint8_t ColorType = 0;
    std::vector<std::uint8_t> Palette;
    std::vector<std::uint8_t> Transparency;
    bool HavePalette = false;
    std::vector<std::uint8_t> ImageData;
};

// Walks the chunks; nothing when a header refuses the image.
std::optional<Chunks> ReadChunks(std::span<const std::uint8_t> png) {
    Chunks chunks;
    std::size_t offset = 8;
    while (png.size() - offset >= 8) {
        const std::uint32_t length = GetUint32(png.data() + offset);
        const std::uint8_t* type = png.data() + offset + 4;
        const std::size_t dataStart = offset + 8;
        const std::size_t available = png.size() - dataStart;
        const std::size_t dataLength = std::min<std::size_t>(length, available);
        const std::span<const std::uint8_t> data = png.subspan(dataStart, dataLength);
        const auto is = [type](const char* name) { return std::memcmp(type, name, 4) == 0; };
        if (is("IHDR")) {
            if (data.size() < 13) return std::nullopt;
            chunks.HaveHeader = true;
            chunks.Width = static_cast<std::int32_t>(GetUint32(data.data()));
            chunks.Height = static_cast<std::int32_t>(GetUint32(data.data() + 4));
            if (data[8] != 8 || data[12] != 0) return std::nullopt;
            chunks.ColorType = data[9];
        } else if (is("PLTE")) {
            chunks.Palette.assign(data.begin(), data.end());
            chunks.HavePalette = true;
        } else if (is("tRNS")) {
            chunks.Transparency.assign(data.begin(), data.end());
        } else if (is("IDAT")) {
            chunks.ImageData.insert(chunks.ImageData.end(), data.begin(), data.end());
        } else if (is("IEND")) {
            break;
        }
        // A chunk cut short by the end of the input is the last one read.
        if (dataLength < length || available - dataLength < 4) break;
        offset = dataStart + dataLength + 4;
    }
    return chunks;
}

int BytesPerPixel(std::uint8_t colorType) {
    switch (colorType) {
        case 0:
            return 1;
        case 2:
            return 3;
        case 3:
            return 1;
        case 4:
            return 2;
        case 6:
            return 4;
        default:
            return 0;
    }
}

std::uint8_t Premultiply(unsigned c, unsigned a) { return static_cast<std::uint8_t>(c * a / 255); }

}  // namespace

std::uint32_t Crc32Update(std::uint32_t crc, std::uint8_t byte) noexcept {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) != 0 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    return crc;
}

std::uint32_t Crc32(std::span<const std::uint8_t> type, std::span<const std::uint8_t> data) noexcept {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::uint8_t b : type) crc = Crc32Update(crc, b);
    for (std::uint8_t b : data) crc = Crc32Update(crc, b);
    return ~crc;
}

void WriteChunk(std::vector<std::uint8_t>& out, std::string_view type, std::span<const std::uint8_t> data) {
    if (type.size() != 4) throw ArgumentException(L"A chunk type has four letters.");
    if (data.size() > 0x7FFFFFFFu) throw ArgumentException(L"A chunk holds at most 2^31 - 1 bytes.");
    const std::uint8_t typeBytes[4] = {static_cast<std::uint8_t>(type[0]), static_cast<std::uint8_t>(type[1]),
                                       static_cast<std::uint8_t>(type[2]), static_cast<std::uint8_t>(type[3])};
    PutUint32(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), typeBytes, typeBytes + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutUint32(out, Crc32(typeBytes, data));
}

std::vector<std::uint8_t> Encode(std::span<const std::uint8_t> pixels, int width, int height) {
    CheckImageArguments(pixels, width, height);
    std::vector<std::uint8_t> out(Signature, Signature + 8);
    std::vector<std::uint8_t> header;
    PutUint32(header, static_cast<std::uint32_t>(width));
    PutUint32(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 6, 0, 0, 0});
    WriteChunk(out, "IHDR", header);
    WriteChunk(out, "IDAT", Deflate(FilteredRows(pixels, width, height)));
    WriteChunk(out, "IEND", {});
    return out;
}

void Save(const std::wstring& path, std::span<const std::uint8_t> pixels, int width, int height) {
    const std::vector<std::uint8_t> bytes = Encode(pixels, width, height);
    // No sharing: nobody reads a screenshot while it is being written.
    WriteAllBytes(path, std::as_bytes(std::span(bytes)), WriteSharing::Exclusive);
}

std::uint8_t Paeth(std::uint8_t left, std::uint8_t up, std::uint8_t upperLeft) noexcept {
    const int p = int{left} + int{up} - int{upperLeft};
    const int pa = std::abs(p - left);
    const int pb = std::abs(p - up);
    const int pc = std::abs(p - upperLeft);
    if (pa <= pb && pa <= pc) return left;
    if (pb <= pc) return up;
    return upperLeft;
}

void Unfilter(std::span<const std::uint8_t> filtered, std::span<std::uint8_t> target, int rowCount, int rowLength,
              int bytesPerPixel) noexcept {
    const auto length = static_cast<std::size_t>(rowLength);
    const auto bpp = static_cast<std::size_t>(bytesPerPixel);
    if (rowCount <= 0 || rowLength < 0 || bytesPerPixel <= 0) return;
    const auto rows = static_cast<std::size_t>(rowCount);
    if (filtered.size() < (length + 1) * rows || target.size() < length * rows) return;
    for (std::size_t r = 0; r < rows; ++r) {
        const std::uint8_t filter = filtered[r * (length + 1)];
        const std::uint8_t* in = filtered.data() + r * (length + 1) + 1;
        std::uint8_t* row = target.data() + r * length;
        const std::uint8_t* above = r > 0 ? row - length : nullptr;
        for (std::size_t j = 0; j < length; ++j) {
            const unsigned a = j >= bpp ? row[j - bpp] : 0;
            const unsigned b = above != nullptr ? above[j] : 0;
            const unsigned c = above != nullptr && j >= bpp ? above[j - bpp] : 0;
            unsigned predictor = 0;
            switch (filter) {
                case 1:
                    predictor = a;
                    break;
                case 2:
                    predictor = b;
                    break;
                case 3:
                    predictor = (a + b) / 2;
                    break;
                case 4:
                    predictor =
                        Paeth(static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(c));
                    break;
                default:
                    break;
            }
            row[j] = static_cast<std::uint8_t>(in[j] + predictor);
        }
    }
}

std::optional<PngImage> Decode(std::span<const std::byte> png) {
    return Decode(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(png.data()), png.size()));
}

std::optional<PngImage> Decode(std::span<const std::uint8_t> png) {
    if (png.size() < 8 || std::memcmp(png.data(), Signature, 8) != 0) return std::nullopt;
    const auto chunks = ReadChunks(png);
    if (!chunks || chunks->Width <= 0 || chunks->Height <= 0 || chunks->ImageData.empty()) return std::nullopt;
    const int bpp = BytesPerPixel(chunks->ColorType);
    if (bpp == 0) return std::nullopt;

    const std::int64_t width = chunks->Width;
    const std::int64_t height = chunks->Height;
    const std::int64_t rowLength = bpp * width;
    if (rowLength + 1 > MaxProduct || (rowLength + 1) * height > MaxProduct || width * height * 4 > MaxProduct)
        return std::nullopt;
    const auto filteredSize = static_cast<std::size_t>((rowLength + 1) * height);

    const auto inflated = Inflate(chunks->ImageData, filteredSize);
    if (!inflated || inflated->size() < filteredSize) return std::nullopt;

    std::vector<std::uint8_t> raw(static_cast<std::size_t>(rowLength * height));
    Unfilter(*inflated, raw, chunks->Height, static_cast<int>(rowLength), bpp);

    const auto pixelCount = static_cast<std::size_t>(width * height);
    const auto& palette = chunks->Palette;
    const auto& alphaTable = chunks->Transparency;
    if (chunks->ColorType == 3 && !chunks->HavePalette) return std::nullopt;

    PngImage image;
    image.Width = chunks->Width;
    image.Height = chunks->Height;
    image.Pixels.resize(pixelCount * 4);
    for (std::size_t i = 0; i < pixelCount; ++i) {
        const std::uint8_t* s = raw.data() + i * static_cast<std::size_t>(bpp);
        unsigned r = 0, g = 0, b = 0, a = 255;
        switch (chunks->ColorType) {
            case 0:
                r = g = b = s[0];
                break;
            case 2:
                r = s[0], g = s[1], b = s[2];
                break;
            case 3: {
                const std::size_t index = s[0];
                if (3 * index + 2 >= palette.size()) return std::nullopt;
                r = palette[3 * index], g = palette[3 * index + 1], b = palette[3 * index + 2];
                if (index < alphaTable.size()) a = alphaTable[index];
                break;
            }
            case 4:
                r = g = b = s[0];
                a = s[1];
                break;
            default:
                r = s[0], g = s[1], b = s[2], a = s[3];
                break;
        }
        std::uint8_t* d = image.Pixels.data() + i * 4;
        d[0] = Premultiply(b, a);
        d[1] = Premultiply(g, a);
        d[2] = Premultiply(r, a);
        d[3] = static_cast<std::uint8_t>(a);
    }
    return image;
}

}  // namespace Ravenquill::Ui::Png
