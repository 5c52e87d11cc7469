#include "package_writer.h"

#include <brotli/encode.h>

#include <algorithm>
#include <bit>

#include "block_compressor.h"
#include "core/common/errors.h"
#include "core/common/read_stream.h"
#include "core/common/text.h"
#include "core/payload/packed_payload.h"
#include "file_output.h"
#include "fs_path.h"

namespace Ravenquill::Tools {
namespace {

// A window as large as a block (within Brotli's limits) lets a block refer back to all of itself.
int WindowBitsFor(std::size_t blockSize) {
    const int bits = blockSize <= 1 ? 1 : std::bit_width(blockSize - 1);
    return std::clamp(bits, BROTLI_MIN_WINDOW_BITS, BROTLI_MAX_WINDOW_BITS);
}

std::int32_t BlockCountFor(std::int64_t length, std::int32_t blockSize) {
    const std::int64_t count = (length + blockSize - 1) / blockSize;
    if (count > INT32_MAX) throw ArgumentException(L"The file is too large for this block size.");
    return static_cast<std::int32_t>(count);
}

// Blocks that a quick pass cannot shrink by even 1% (images, archives, media that are compressed
// already) gain nothing from the slow qualities, which spend seconds on each such block to find
// nothing: the quick pass's stream is kept for them.
constexpr int ProbeQuality = 5;

std::vector<std::byte> CompressAt(std::span<const std::byte> input, int quality) {
    std::vector<std::byte> out(BrotliEncoderMaxCompressedSize(input.size()) + 16);
    std::size_t size = out.size();
    if (!BrotliEncoderCompress(quality, WindowBitsFor(input.size()), BROTLI_MODE_GENERIC, input.size(),
                               reinterpret_cast<const std::uint8_t*>(input.data()), &size,
                               reinterpret_cast<std::uint8_t*>(out.data())))
        throw InvalidOperationException(L"Brotli compression failed.");
    out.resize(size);
    return out;
}

struct PendingFile {
    std::wstring SourcePath;
    std::string PackagePath;  // UTF-8, '\' separators
    std::int64_t Length;
};

}  // namespace

void AppendInt32(std::vector<std::byte>& out, std::int32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(std::byte((static_cast<std::uint32_t>(value) >> (8 * i)) & 0xFF));
}

void AppendInt64(std::vector<std::byte>& out, std::int64_t value) {
    for (int i = 0; i < 8; ++i) out.push_back(std::byte((static_cast<std::uint64_t>(value) >> (8 * i)) & 0xFF));
}

void AppendPathLength(std::vector<std::byte>& out, std::uint32_t value) {
    while (value >= 0x80) {
        out.push_back(std::byte((value & 0x7F) | 0x80));
        value >>= 7;
    }
    out.push_back(std::byte(value));
}

void AppendHeader(std::vector<std::byte>& out, std::int32_t fileCount, std::int32_t blockSize) {
    out.insert(out.end(), Core::PackedPayload::Magic.begin(), Core::PackedPayload::Magic.end());
    AppendInt32(out, fileCount);
    AppendInt32(out, blockSize);
}

void AppendIndexRecord(std::vector<std::byte>& out, const std::string& path, std::int64_t length,
                       std::span<const std::int32_t> blockLengths) {
    AppendPathLength(out, static_cast<std::uint32_t>(path.size()));
    const auto* bytes = reinterpret_cast<const std::byte*>(path.data());
    out.insert(out.end(), bytes, bytes + path.size());
    AppendInt64(out, length);
    AppendInt32(out, static_cast<std::int32_t>(blockLengths.size()));
    for (const std::int32_t size : blockLengths) AppendInt32(out, size);
}

std::vector<std::byte> CompressBlock(std::span<const std::byte> input, int quality) {
    if (quality > ProbeQuality) {
        std::vector<std::byte> quick = CompressAt(input, ProbeQuality);
        if (quick.size() >= input.size() - input.size() / 100) return quick;
    }
    return CompressAt(input, quality);
}

std::vector<std::byte> BuildPackage(const std::vector<PackageFile>& files, const PackageOptions& options) {
    std::vector<std::byte> index;
    std::vector<std::byte> data;
    AppendHeader(index, static_cast<std::int32_t>(files.size()), options.BlockSize);
    for (const PackageFile& file : files) {
        std::vector<std::int32_t> sizes;
        std::span<const std::byte> rest(file.Content);
        while (!rest.empty()) {
            const std::size_t take = std::min<std::size_t>(rest.size(), static_cast<std::size_t>(options.BlockSize));
            const std::vector<std::byte> block = CompressBlock(rest.first(take), options.Quality);
            sizes.push_back(static_cast<std::int32_t>(block.size()));
            data.insert(data.end(), block.begin(), block.end());
            rest = rest.subspan(take);
        }
        AppendIndexRecord(index, file.Path, static_cast<std::int64_t>(file.Content.size()), sizes);
    }
    index.insert(index.end(), data.begin(), data.end());
    return index;
}

std::size_t WritePackage(const std::wstring& folder, const std::wstring& packagePath, const PackageOptions& options) {
    if (options.BlockSize <= 0) throw ArgumentException(L"The block size must be positive.");
    namespace fs = std::filesystem;
    const fs::path root = ToFsPath(folder);
    std::vector<PendingFile> files;
    for (const fs::directory_entry& item : fs::recursive_directory_iterator(root)) {
        if (!item.is_regular_file()) continue;
        std::string relative = Text::ToUtf8(FromFsPath(item.path().lexically_relative(root)));
        std::replace(relative.begin(), relative.end(), '/', '\\');
        files.push_back(
            PendingFile{FromFsPath(item.path()), std::move(relative), static_cast<std::int64_t>(item.file_size())});
    }
    // A stable order: the same tree always gives the same package.
    std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return a.PackagePath < b.PackagePath; });
    if (files.size() > INT32_MAX) throw ArgumentException(L"Too many files for one package.");

    // Block counts follow from the lengths, so the index's size is known before anything is
    // compressed: it is written with zero sizes first and rewritten once the blocks are out.
    auto writeIndex = [&](const std::vector<std::vector<std::int32_t>>& sizes) {
        std::vector<std::byte> index;
        AppendHeader(index, static_cast<std::int32_t>(files.size()), options.BlockSize);
        for (std::size_t i = 0; i < files.size(); ++i)
            AppendIndexRecord(index, files[i].PackagePath, files[i].Length, sizes[i]);
        return index;
    };
    std::vector<std::vector<std::int32_t>> sizes;
    for (const PendingFile& file : files) sizes.emplace_back(BlockCountFor(file.Length, options.BlockSize), 0);

    const std::unique_ptr<FileOutput> out = CreateOutputFile(packagePath);
    out->Write(writeIndex(sizes));
    // The compressed blocks come back in block order: each fills the next size of the index.
    std::vector<std::int32_t*> slots;
    for (std::vector<std::int32_t>& fileSizes : sizes)
        for (std::int32_t& size : fileSizes) slots.push_back(&size);
    std::size_t delivered = 0;
    const int threads = options.Threads > 0 ? options.Threads : DefaultPackThreads();
    BlockCompressor compressor(threads, options.Quality, [&](std::span<const std::byte> compressed) {
        *slots.at(delivered++) = static_cast<std::int32_t>(compressed.size());
        out->Write(compressed);
    });
    for (const PendingFile& file : files) {
        const std::unique_ptr<ReadStream> in = OpenFileForRead(file.SourcePath);
        for (std::int64_t left = file.Length; left > 0;) {
            const auto take = static_cast<std::size_t>(std::min<std::int64_t>(left, options.BlockSize));
            std::vector<std::byte> block = compressor.TakeBuffer();
            block.resize(take);
            in->ReadExactly(block);
            compressor.Add(std::move(block));
            left -= static_cast<std::int64_t>(take);
        }
    }
    compressor.Finish();
    out->Seek(0);
    out->Write(writeIndex(sizes));
    out->Close();
    return files.size();
}

}  // namespace Ravenquill::Tools
