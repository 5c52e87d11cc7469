#pragma once
// What a payload path holds: the source that reads it, and, for a file of the wrong kind, what it
// is instead, so that a mistake names what was given rather than what was expected.
#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "core/payload/payload_source.h"

namespace Ravenquill::Tools {

// A folder, a ".zip" file (by its name), or otherwise a package; the sources' own errors.
std::unique_ptr<Core::PayloadSource> OpenPayload(const std::wstring& path);

// The kind of file that the first bytes show ("a zip archive", "an RQPK2 package", "a PNG image",
// "a tar archive", ...), for the few kinds a payload or logo is mistaken for; nothing otherwise.
std::optional<std::wstring> RecognisedContent(std::span<const std::byte> head);

// The first bytes of the file (at most count), enough for RecognisedContent.
std::vector<std::byte> ReadHead(const std::wstring& path, std::size_t count = 512);

// The kind that the file's name and content say, for messages: its recognised content, else "a
// file ending in .tar", else "a file".
std::wstring DescribeFile(const std::wstring& path);

}  // namespace Ravenquill::Tools
