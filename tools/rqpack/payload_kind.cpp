#include "payload_kind.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "core/common/file_system.h"
#include "core/common/path.h"
#include "core/common/read_stream.h"
#include "core/common/text.h"
#include "core/payload/buffered_read_stream.h"
#include "core/payload/folder_payload_source.h"
#include "core/payload/packed_payload.h"
#include "core/payload/packed_payload_source.h"
#include "core/payload/zip_payload_source.h"

namespace Ravenquill::Tools {
namespace {

struct Signature {
    std::size_t Offset;
    std::string_view Bytes;
    ContentKind Kind;
};

using namespace std::string_view_literals;

// The package's own signature is the payload code's; these are the other kinds'.
const std::array<Signature, 9> Signatures = {{
    {0, "PK\x03\x04"sv, ContentKind::ZipArchive},
    {0, "PK\x05\x06"sv, ContentKind::ZipArchive},
    {0, "\x89PNG\r\n\x1A\n"sv, ContentKind::PngImage},
    {0, "\xFF\xD8\xFF"sv, ContentKind::JpegImage},
    {0, "GIF8"sv, ContentKind::GifImage},
    {0, "\x1F\x8B"sv, ContentKind::GzipFile},
    {0, "7z\xBC\xAF\x27\x1C"sv, ContentKind::SevenZipArchive},
    {0, "BM"sv, ContentKind::BmpImage},
    {257, "ustar"sv, ContentKind::TarArchive},
}};

}  // namespace

std::unique_ptr<Core::PayloadSource> OpenPayload(const std::wstring& path) {
    using namespace Core;
    if (FileSystem::DirectoryExists(path)) return std::make_unique<FolderPayloadSource>(path);
    if (Text::EndsWithIgnoreCase(path, L".zip")) return std::make_unique<ZipPayloadSource>(OpenPayloadFile(path), path);
    return std::make_unique<PackedPayloadSource>(OpenPayloadFile(path));
}

std::wstring_view KindText(ContentKind kind) noexcept {
    switch (kind) {
        case ContentKind::Package:
            return L"an RQPK2 package";
        case ContentKind::ZipArchive:
            return L"a zip archive";
        case ContentKind::PngImage:
            return L"a PNG image";
        case ContentKind::JpegImage:
            return L"a JPEG image";
        case ContentKind::GifImage:
            return L"a GIF image";
        case ContentKind::GzipFile:
            return L"a gzip file";
        case ContentKind::SevenZipArchive:
            return L"a 7z archive";
        case ContentKind::BmpImage:
            return L"a BMP image";
        case ContentKind::TarArchive:
            return L"a tar archive";
    }
    return L"a file";
}

std::optional<ContentKind> RecognisedContent(std::span<const std::byte> head) {
    const std::span<const std::byte> magic = Core::PackedPayload::Magic;
    if (head.size() >= magic.size() && std::equal(magic.begin(), magic.end(), head.begin()))
        return ContentKind::Package;
    for (const Signature& s : Signatures) {
        if (head.size() < s.Offset + s.Bytes.size()) continue;
        if (std::equal(s.Bytes.begin(), s.Bytes.end(), head.begin() + static_cast<std::ptrdiff_t>(s.Offset),
                       [](char a, std::byte b) { return static_cast<std::byte>(a) == b; }))
            return s.Kind;
    }
    return std::nullopt;
}

std::vector<std::byte> ReadHead(const std::wstring& path, std::size_t count) {
    const std::unique_ptr<ReadStream> stream = OpenFileForRead(path);
    std::vector<std::byte> head(count);
    std::size_t filled = 0;
    for (std::size_t n; filled < count && (n = stream->Read(std::span(head).subspan(filled))) > 0;) filled += n;
    head.resize(filled);
    return head;
}

FileKind DescribeFile(const std::wstring& path) {
    if (const std::optional<ContentKind> kind = RecognisedContent(ReadHead(path)))
        return {kind, std::wstring(KindText(*kind))};
    const std::wstring name(Path::GetFileName(path));
    const std::size_t dot = name.rfind(L'.');
    if (dot == std::wstring::npos || dot == 0) return {std::nullopt, L"a file"};
    return {std::nullopt, L"a file ending in " + name.substr(dot)};
}

}  // namespace Ravenquill::Tools
