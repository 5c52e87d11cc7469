#pragma once
// Writes "RQPK2" packages: the publishers' packing step and the tests' fixtures share this code.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace Ravenquill::Tools {

struct PackageOptions {
    std::int32_t BlockSize = 4 * 1024 * 1024;
    int Quality = 11;  // Brotli quality 0..11
    int Threads = 0;   // compressing threads; 0: one per core. The bytes written are the same for any count.
};

// One file of an in-memory package; the path is written as given (UTF-8, any separators).
struct PackageFile {
    std::string Path;
    std::vector<std::byte> Content;
};

// One complete Brotli stream of the bytes, at the quality asked for unless a quick pass shows that
// the bytes do not compress.
std::vector<std::byte> CompressBlock(std::span<const std::byte> input, int quality);

// A whole package in memory, each file cut into blocks of the block size.
std::vector<std::byte> BuildPackage(const std::vector<PackageFile>& files, const PackageOptions& options = {});

// Pieces of the format for hand-made (also deliberately broken) packages.
void AppendInt32(std::vector<std::byte>& out, std::int32_t value);
void AppendInt64(std::vector<std::byte>& out, std::int64_t value);
void AppendPathLength(std::vector<std::byte>& out, std::uint32_t value);
void AppendHeader(std::vector<std::byte>& out, std::int32_t fileCount, std::int32_t blockSize);
void AppendIndexRecord(std::vector<std::byte>& out, const std::string& path, std::int64_t length,
                       std::span<const std::int32_t> blockLengths);

// Every file below the folder, sorted by path, written with '\' separators. The blocks are
// compressed on the option's threads, a few blocks per thread in flight, so memory stays bounded
// whatever the tree's size. Returns the number of files written.
std::size_t WritePackage(const std::wstring& folder, const std::wstring& packagePath, const PackageOptions& options);

}  // namespace Ravenquill::Tools
