#pragma once
// Turning an argument list into the one command-line string that a new process receives, so that
// the platform's splitting (CommandLineToArgvW and the C runtime) gives the arguments back.
#include <span>
#include <string>
#include <string_view>

namespace Ravenquill::Core {

// An argument with a space and no double quote is wrapped in double quotes; any other argument,
// the empty one included, is returned unchanged. An argument that already carries double quotes
// (such as --dir="C:\Program Files\X") supplies its own quoting.
std::wstring QuoteArgument(std::wstring_view value);

// Each argument through QuoteArgument, joined with one space; an empty argument, or one with a tab
// and no double quote, is wrapped as well so that it stays one argument. A run of backslashes is literal to
// the platform's splitting unless a double quote follows it; such a run (one before a quote inside
// the argument, or one before the closing quote that QuoteArgument added) is doubled, so
// --dir="D:\" reaches the new process as the directory D:\ instead of swallowing its closing quote
// and the arguments after it. Arguments without such backslashes are joined byte for byte, except a
// key whose quotes hold nothing (--dir=""): its quotes are escaped, so the new process receives the
// argument as written and keeps the empty directory instead of finding no value.
std::wstring JoinArguments(std::span<const std::wstring> arguments);

}  // namespace Ravenquill::Core
