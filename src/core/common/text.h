#pragma once
// Text in this system is std::wstring holding UTF-16 code units in every build (on Linux wchar_t is
// wider, but each element still holds one UTF-16 unit). UTF-8 appears only at byte boundaries and
// passes through this one pair of conversions, so both builds treat ill-formed input alike.
#include <string>
#include <string_view>
#include <vector>

namespace Ravenquill::Text {

// Ill-formed sequences become U+FFFD, one per maximal ill-formed subpart.
std::wstring FromUtf8(std::string_view utf8);
// Unpaired surrogates become U+FFFD.
std::string ToUtf8(std::wstring_view utf16);

// Simple one-to-one case mapping per UTF-16 unit, culture-invariant.
wchar_t ToUpper(wchar_t c) noexcept;
wchar_t ToLower(wchar_t c) noexcept;
std::wstring ToUpper(std::wstring_view s);
std::wstring ToLower(std::wstring_view s);

// Ordinal comparison after upper-casing each unit.
bool EqualsIgnoreCase(std::wstring_view a, std::wstring_view b) noexcept;
bool StartsWithIgnoreCase(std::wstring_view s, std::wstring_view prefix) noexcept;
bool EndsWithIgnoreCase(std::wstring_view s, std::wstring_view suffix) noexcept;
int CompareIgnoreCase(std::wstring_view a, std::wstring_view b) noexcept;

// The Unicode White_Space set.
bool IsWhiteSpace(wchar_t c) noexcept;
std::wstring_view Trim(std::wstring_view s) noexcept;
std::wstring_view TrimStart(std::wstring_view s) noexcept;
std::wstring_view TrimEnd(std::wstring_view s) noexcept;
bool IsNullOrWhiteSpace(std::wstring_view s) noexcept;

// Every high surrogate is followed by a low one and every low one follows a high one.
bool IsWellFormedUtf16(std::wstring_view s) noexcept;

// Splits at every occurrence of the separator; empty pieces are kept.
std::vector<std::wstring> Split(std::wstring_view s, wchar_t separator);

// The text with each control character (U+0000 to U+001F and U+007F to U+009F) written as "\u"
// and four upper-case hexadecimal digits: it stays one line and shows what it holds.
std::wstring EscapeControls(std::wstring_view s);

}  // namespace Ravenquill::Text
