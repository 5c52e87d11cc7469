#include "core/engine/platform/command_line_quoting.h"

namespace Ravenquill::Core {
namespace {

// Appends text, doubling every run of backslashes that a double quote follows; when
// closedByQuote is set, the text's trailing run is followed by the quote the caller adds.
void AppendEscapingBackslashes(std::wstring& out, std::wstring_view text, bool closedByQuote) {
    std::size_t backslashes = 0;
    for (const wchar_t c : text) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') out.append(backslashes, L'\\');
        out.append(backslashes, L'\\');
        backslashes = 0;
        out.push_back(c);
    }
    out.append(closedByQuote ? backslashes * 2 : backslashes, L'\\');
}

bool WrapsInQuotes(std::wstring_view value) {
    return value.find(L' ') != std::wstring_view::npos && value.find(L'"') == std::wstring_view::npos;
}

// On the command line a tab separates arguments as a space does, and an empty argument exists only
// as a pair of quotes.
bool WrapsInJoinedLine(std::wstring_view value) {
    return value.empty() ||
           (value.find_first_of(L" \t") != std::wstring_view::npos && value.find(L'"') == std::wstring_view::npos);
}

// A key whose own quotes hold nothing (--dir=""): the platform's splitting would take the pair
// away and leave a key without a value, which the parser ignores, so the quotes go as literal ones.
bool HasEmptyQuotedValue(std::wstring_view value) {
    return value.ends_with(L"=\"\"") && value.find(L'"') == value.size() - 2;
}

}  // namespace

std::wstring QuoteArgument(std::wstring_view value) {
    if (!WrapsInQuotes(value)) return std::wstring(value);
    std::wstring quoted;
    quoted.reserve(value.size() + 2);
    quoted.push_back(L'"');
    quoted.append(value);
    quoted.push_back(L'"');
    return quoted;
}

std::wstring JoinArguments(std::span<const std::wstring> arguments) {
    std::wstring line;
    bool first = true;
    for (const std::wstring& argument : arguments) {
        if (!first) line.push_back(L' ');
        first = false;
        if (HasEmptyQuotedValue(argument)) {
            line.append(argument, 0, argument.size() - 2);
            line.append(L"\\\"\\\"");
        } else if (WrapsInJoinedLine(argument)) {
            line.push_back(L'"');
            AppendEscapingBackslashes(line, argument, true);
            line.push_back(L'"');
        } else {
            AppendEscapingBackslashes(line, argument, false);
        }
    }
    return line;
}

}  // namespace Ravenquill::Core
