#pragma once
// The pieces of the strict manifest check that only look at text: where in the UTF-8 text an offset
// falls, where a key that the parser has just read began, and which known name a misspelt one
// was meant to be.
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "core/model/core_json.h"

namespace Ravenquill::Core::CoreJson::Check {

// The line and column (in characters) of the byte offset; an offset past the end is the end.
TextPlace PlaceAt(std::string_view utf8, std::size_t offset) noexcept;

// Where the token that the parser has just handed over began: its string's opening quote, or its
// '{' or '[' (opener). The parser reads a token through a copy of the stream, so the stream stands
// at the token's first character while the handler runs; a stream that stands past the token (its
// end) is taken back to its start as well.
std::size_t TokenStart(std::string_view utf8, std::size_t at, char opener) noexcept;

// The candidate closest to the name by edit distance, letters compared ignoring case; the first
// of equally close ones. Empty for no candidates.
std::wstring_view Nearest(std::wstring_view name, std::span<const std::wstring_view> candidates);

}  // namespace Ravenquill::Core::CoreJson::Check
