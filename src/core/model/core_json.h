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
#include <utility>
#include <vector>

#include "core/model/install_manifest.h"
#include "core/model/install_record.h"

namespace Ravenquill::Core::CoreJson {

inline constexpr int MaxDepth = 64;
// Larger texts are refused instead of being read into memory.
inline constexpr std::size_t MaxTextBytes = 64 * 1024 * 1024;

// Absent for text that is not valid JSON for the mapping, and for the literal null.
std::optional<InstallManifest> ReadManifest(std::wstring_view json);
std::optional<InstallRecord> ReadRecord(std::wstring_view json);

// A place in a JSON text: 1-based line and column (in characters); line 0 for the whole text.
struct TextPlace {
    int Line = 0;
    int Column = 0;
    bool operator==(const TextPlace&) const = default;
};

struct ManifestProblem {
    TextPlace Place;
    std::wstring Message;
    bool operator==(const ManifestProblem&) const = default;
};

// The strict reading of a manifest for the publisher's build, by the same rules as ReadManifest:
// where the installer silently falls back to its defaults or skips a key, this names the cause.
// Errors are a syntax error, a value of the wrong kind (the reading goes on past it to find more),
// an unknown key (with the nearest known key of its object), a missing, null or blank product id,
// name, version or publisher, nesting deeper than 64, a root that is no object. Manifest is what
// ReadManifest gives (absent where it gives nothing); Places holds where each key the text gives
// stands, by its declared name ("mainExecutable", "components[1]", "components[1].pathPrefix").
struct ManifestCheck {
    std::optional<InstallManifest> Manifest;
    std::vector<ManifestProblem> Errors;
    std::vector<std::pair<std::wstring, TextPlace>> Places;

    std::optional<TextPlace> PlaceOf(std::wstring_view name) const;
};
ManifestCheck CheckManifest(std::wstring_view json);

// The record's JSON text, without the byte-order mark.
std::wstring WriteRecord(const InstallRecord& record);
// Strict escaping of one string, quotes included.
std::wstring QuoteString(std::wstring_view text);

// Bytes of a JSON file to text: a byte-order mark selects UTF-8, UTF-16 or UTF-32 and is dropped;
// without one the bytes are UTF-8.
std::wstring DecodeText(std::span<const std::byte> bytes);

}  // namespace Ravenquill::Core::CoreJson
