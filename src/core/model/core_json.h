#pragma once
// The JSON mapping of the persisted types (manifest and install record). Reading: comments and
// trailing commas allowed, keys matched ignoring case, a later duplicate wins, unknown keys
// skipped, nesting deeper than 64 rejected, flags only true/false, texts string or null; read from
// the parser's events into the object, so memory follows what is kept, not the text's shape.
// Writing: two-space indent, CR LF, strict escapes, members in declaration order.
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/model/install_manifest.h"
#include "core/model/install_record.h"

namespace Ravenquill::Core::CoreJson {

inline constexpr int MaxDepth = 64;
// Larger texts are refused instead of being read into memory.
inline constexpr std::size_t MaxTextBytes = 64 * 1024 * 1024;

// Absent for text that is not valid JSON for the mapping, and for the literal null.
std::optional<InstallManifest> ReadManifest(std::wstring_view json);
std::optional<InstallRecord> ReadRecord(std::wstring_view json);

// The record's JSON text, without the byte-order mark.
std::wstring WriteRecord(const InstallRecord& record);
// Strict escaping of one string, quotes included.
std::wstring QuoteString(std::wstring_view text);

// Bytes of a JSON file to text: a byte-order mark selects UTF-8, UTF-16 or UTF-32 and is dropped;
// without one the bytes are UTF-8.
std::wstring DecodeText(std::span<const std::byte> bytes);

}  // namespace Ravenquill::Core::CoreJson
