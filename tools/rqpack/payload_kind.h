#pragma once
// What a payload path holds: the source that reads it, and, for a file of the wrong kind, what it
// is instead, so that a mistake names what was given rather than what was expected.
#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/payload/payload_source.h"

namespace Ravenquill::Tools {

// A folder, a ".zip" file (by its name), or otherwise a package; the sources' own errors.
std::unique_ptr<Core::PayloadSource> OpenPayload(const std::wstring& path);

// The few kinds of file a payload or logo is mistaken for, told by their first bytes.
enum class ContentKind {
    Package,
    ZipArchive,
    PngImage,
    JpegImage,
    GifImage,
    GzipFile,
    SevenZipArchive,
    BmpImage,
    TarArchive
};

// The kind as messages name it: "an RQPK2 package", "a zip archive", "a PNG image", ...
std::wstring_view KindText(ContentKind kind) noexcept;

// The kind of file that the first bytes show; nothing for any other.
std::optional<ContentKind> RecognisedContent(std::span<const std::byte> head);

// The first bytes of the file (at most count), enough for RecognisedContent.
std::vector<std::byte> ReadHead(const std::wstring& path, std::size_t count = 512);

// What the file's content and name say it is: the recognised kind, if any, and its text for
// messages: the kind's own text, else "a file ending in .tar", else "a file".
struct FileKind {
    std::optional<ContentKind> Content;
    std::wstring Text;
};
FileKind DescribeFile(const std::wstring& path);

}  // namespace Ravenquill::Tools
