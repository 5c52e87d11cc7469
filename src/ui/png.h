#pragma once
// A small PNG writer and reader for whole images in memory. Pixels on our side are 32 bits each,
// bytes B, G, R, A with the colour premultiplied by alpha, rows from the top, width × 4 bytes a
// row (the layout of the surface's 32-bit DIB and of Direct2D's premultiplied B8G8R8A8 bitmaps).
// The writer always writes 8-bit RGBA with one IDAT chunk; the reader takes 8-bit grey, RGB,
// palette, grey-and-alpha and RGBA images without interlacing.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Ravenquill::Ui {

struct PngImage {
    std::vector<std::uint8_t> Pixels;  // Width × Height × 4 bytes, premultiplied BGRA
    int Width = 0;
    int Height = 0;
};

namespace Png {

// Writes the image as a PNG file at path (an existing file is replaced). ArgumentException, before
// the file is created, when the size is not positive or pixels holds fewer than
// width × height × 4 bytes; file-system failures are the platform's I/O errors.
void Save(const std::wstring& path, std::span<const std::uint8_t> pixels, int width, int height);
// The bytes Save writes, in memory.
std::vector<std::uint8_t> Encode(std::span<const std::uint8_t> pixels, int width, int height);

// The image, or nothing for anything that cannot be read as an accepted PNG: a bad signature,
// another bit depth, interlacing, an unknown colour type, a missing palette, sizes that overflow
// or that the image data cannot fill, and a zlib stream that is damaged or cut short. Never reads
// past the input and never allocates more than the image needs.
std::optional<PngImage> Decode(std::span<const std::byte> png);
std::optional<PngImage> Decode(std::span<const std::uint8_t> png);

// One chunk: big-endian length, the four type letters, the data, CRC-32 over type and data.
void WriteChunk(std::vector<std::uint8_t>& out, std::string_view type, std::span<const std::uint8_t> data);
std::uint32_t Crc32(std::span<const std::uint8_t> type, std::span<const std::uint8_t> data) noexcept;
std::uint32_t Crc32Update(std::uint32_t crc, std::uint8_t byte) noexcept;

// Undoes the row filters: filtered holds rowCount rows of 1 + rowLength bytes, target receives
// rowCount × rowLength bytes. Filter types above 4 leave their row unchanged.
void Unfilter(std::span<const std::uint8_t> filtered, std::span<std::uint8_t> target, int rowCount, int rowLength,
              int bytesPerPixel) noexcept;
std::uint8_t Paeth(std::uint8_t left, std::uint8_t up, std::uint8_t upperLeft) noexcept;

}  // namespace Png

}  // namespace Ravenquill::Ui
