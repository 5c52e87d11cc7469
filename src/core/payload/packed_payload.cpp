#include "packed_payload.h"

#include <algorithm>
#include <functional>
#include <initializer_list>

#include "checked_math.h"
#include "core/common/errors.h"
#include "core/common/text.h"

namespace Ravenquill::Core {
namespace {

using PayloadDetail::CheckedAdd;

// A count read from the index may be hostile: a seekable stream is asked first whether that many
// bytes are left, and any stream is read in slices, so memory grows only as fast as the stream
// really delivers bytes and a short stream ends with the end-of-stream error, not a huge allocation.
constexpr std::size_t ReadSlice = 64 * 1024;

template <class T>
T ReadLittleEndian(ReadStream& stream) {
    std::array<std::byte, sizeof(T)> bytes{};
    stream.ReadExactly(bytes);
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        value |= std::uint64_t(std::to_integer<std::uint8_t>(bytes[i])) << (8 * i);
    return static_cast<T>(value);
}

std::int32_t ReadPathLength(ReadStream& stream) {
    std::uint32_t value = 0;
    for (int i = 0; i < 5; ++i) {
        std::byte b{};
        stream.ReadExactly(std::span(&b, 1));
        const auto bits = std::to_integer<std::uint32_t>(b);
        if (i == 4 && bits > 0x07)
            throw FormatException(L"Too many bytes in what should have been a 7-bit encoded integer.");
        value |= (bits & 0x7F) << (7 * i);
        if ((bits & 0x80) == 0) return static_cast<std::int32_t>(value);
    }
    throw FormatException(L"Too many bytes in what should have been a 7-bit encoded integer.");
}

// A seekable stream tells at once whether the bytes are there at all.
void RequireLeft(ReadStream& stream, std::uint64_t count) {
    if (!stream.CanSeek()) return;
    const std::int64_t left = stream.Length() - stream.Position();
    if (left < 0 || count > static_cast<std::uint64_t>(left)) throw EndOfStreamException();
}

std::string ReadBytes(ReadStream& stream, std::size_t count) {
    RequireLeft(stream, count);
    std::string bytes;
    while (bytes.size() < count) {
        const std::size_t done = bytes.size();
        bytes.resize(done + std::min(ReadSlice, count - done));
        stream.ReadExactly(std::as_writable_bytes(std::span(bytes.data() + done, bytes.size() - done)));
    }
    return bytes;
}

std::shared_ptr<const std::vector<std::int32_t>> ReadBlockLengths(ReadStream& stream, std::int32_t count) {
    if (count < 0) throw ArgumentException(L"Non-negative number required. (Parameter 'count')");
    RequireLeft(stream, std::uint64_t(count) * 4);
    auto lengths = std::make_shared<std::vector<std::int32_t>>();
    std::vector<std::byte> raw;
    std::size_t left = static_cast<std::size_t>(count);
    while (left != 0) {
        const std::size_t slice = std::min(left, ReadSlice / 4);
        raw.resize(slice * 4);
        stream.ReadExactly(raw);
        for (std::size_t i = 0; i < slice; ++i) {
            std::uint32_t v = 0;
            for (std::size_t k = 0; k < 4; ++k) v |= std::to_integer<std::uint32_t>(raw[i * 4 + k]) << (8 * k);
            lengths->push_back(static_cast<std::int32_t>(v));
        }
        left -= slice;
    }
    return lengths;
}

std::wstring WithBackslashes(std::wstring path) {
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

}  // namespace

const std::array<std::byte, 6> PackedPayload::Magic = {std::byte{'R'}, std::byte{'Q'}, std::byte{'P'},
                                                       std::byte{'K'}, std::byte{'2'}, std::byte{'\n'}};

std::size_t PackedPayload::Entry::Hash() const noexcept {
    std::size_t hash = std::hash<std::wstring>{}(RelativePath);
    for (const std::size_t part : {std::hash<std::int64_t>{}(Length), std::hash<std::int64_t>{}(Offset),
                                   std::hash<const void*>{}(BlockLengths.get())})
        hash ^= part + 0x9e3779b97f4a7c15ULL + (hash << 6) + (hash >> 2);
    return hash;
}

std::wstring PackedPayload::Entry::ToString() const {
    return L"Entry { RelativePath = " + RelativePath + L", Length = " + std::to_wstring(Length) + L", Offset = " +
           std::to_wstring(Offset) + L", BlockLengths = " + (BlockLengths ? L"std::vector<std::int32_t>" : L"") + L" }";
}

std::vector<PackedPayload::Entry> PackedPayload::ReadIndex(ReadStream& stream) {
    std::array<std::byte, 6> magic{};
    std::size_t got = 0;
    while (got < magic.size()) {
        const std::size_t n = stream.Read(std::span(magic).subspan(got));
        if (n == 0) break;
        got += n;
    }
    if (got != magic.size() || magic != Magic) throw InvalidDataException(L"Пакет повреждён: неверная сигнатура.");

    const auto fileCount = ReadLittleEndian<std::int32_t>(stream);
    if (fileCount < 0) throw InvalidDataException(L"Пакет повреждён: отрицательное число файлов.");
    const auto blockSize = ReadLittleEndian<std::int32_t>(stream);
    if (blockSize <= 0) throw InvalidDataException(L"Пакет повреждён: неверный размер блока.");

    std::vector<Entry> entries;  // grows with the records actually read, never from fileCount alone
    for (std::int32_t i = 0; i < fileCount; ++i) {
        Entry entry;
        const std::int32_t pathLength = ReadPathLength(stream);
        entry.RelativePath = WithBackslashes(Text::FromUtf8(ReadBytes(stream, static_cast<std::size_t>(pathLength))));
        entry.Length = ReadLittleEndian<std::int64_t>(stream);
        entry.BlockLengths = ReadBlockLengths(stream, ReadLittleEndian<std::int32_t>(stream));
        entries.push_back(std::move(entry));
    }

    std::int64_t offset = stream.Position();
    for (Entry& entry : entries) {
        entry.Offset = offset;
        for (const std::int32_t size : *entry.BlockLengths) offset = CheckedAdd(offset, size);
    }
    return entries;
}

}  // namespace Ravenquill::Core
