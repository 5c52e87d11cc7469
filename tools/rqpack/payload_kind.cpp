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
#include "core/payload/packed_payload_source.h"
#include "core/payload/zip_payload_source.h"

namespace Ravenquill::Tools {
namespace {

struct Signature {
    std::size_t Offset;
    std::string_view Bytes;
    const wchar_t* Kind;
};

using namespace std::string_view_literals;

const std::array<Signature, 10> Signatures = {{
    {0, "RQPK2\n"sv, L"an RQPK2 package"},
    {0, "PK\x03\x04"sv, L"a zip archive"},
    {0, "PK\x05\x06"sv, L"a zip archive"},
    {0, "\x89PNG\r\n\x1A\n"sv, L"a PNG image"},
    {0, "\xFF\xD8\xFF"sv, L"a JPEG image"},
    {0, "GIF8"sv, L"a GIF image"},
    {0, "\x1F\x8B"sv, L"a gzip file"},
    {0, "7z\xBC\xAF\x27\x1C"sv, L"a 7z archive"},
    {0, "BM"sv, L"a BMP image"},
    {257, "ustar"sv, L"a tar archive"},
}};

}  // namespace

std::unique_ptr<Core::PayloadSource> OpenPayload(const std::wstring& path) {
    using namespace Core;
    if (FileSystem::DirectoryExists(path)) return std::make_unique<FolderPayloadSource>(path);
    if (Text::EndsWithIgnoreCase(path, L".zip")) return std::make_unique<ZipPayloadSource>(OpenPayloadFile(path), path);
    return std::make_unique<PackedPayloadSource>(OpenPayloadFile(path));
}

std::optional<std::wstring> RecognisedContent(std::span<const std::byte> head) {
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

std::wstring DescribeFile(const std::wstring& path) {
    if (const std::optional<std::wstring> kind = RecognisedContent(ReadHead(path))) return *kind;
    const std::wstring name(Path::GetFileName(path));
    const std::size_t dot = name.rfind(L'.');
    if (dot == std::wstring::npos || dot == 0) return L"a file";
    return L"a file ending in " + name.substr(dot);
}

}  // namespace Ravenquill::Tools
