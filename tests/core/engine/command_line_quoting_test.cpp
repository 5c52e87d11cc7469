#include "core/engine/platform/command_line_quoting.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Ravenquill::Core {
namespace {

TEST(CommandLineQuotingTest, QuoteWrapsOnlyArgumentsWithASpaceAndNoQuote) {
    const struct {
        std::wstring value;
        std::wstring expected;
    } cases[] = {
        {L"--per-machine", L"--per-machine"},
        {L"C:\\Program Files\\X", L"\"C:\\Program Files\\X\""},
        {L"--dir=\"C:\\Program Files\\X\"", L"--dir=\"C:\\Program Files\\X\""},
        {L"", L""},
        {L"a\"b c", L"a\"b c"},
    };
    for (const auto& c : cases) EXPECT_EQ(QuoteArgument(c.value), c.expected) << c.value;
}

TEST(CommandLineQuotingTest, JoinDoublesOnlyBackslashesThatAQuoteFollows) {
    const struct {
        std::vector<std::wstring> arguments;
        std::wstring expected;
    } cases[] = {
        {{}, L""},
        {{L"--elevated", L"--per-user"}, L"--elevated --per-user"},
        // A drive root: the closing quote must not be read as a literal quote.
        {{L"--dir=\"D:\\\"", L"--per-user"}, L"--dir=\"D:\\\\\" --per-user"},
        {{L"--dir=\"C:\\Program Files\\X\""}, L"--dir=\"C:\\Program Files\\X\""},
        // An empty directory keeps its quotes as text: split, they would leave a key without a value.
        {{L"--dir=\"\"", L"--per-user"}, L"--dir=\\\"\\\" --per-user"},
        // Wrapped by the quoting: its trailing run precedes the added closing quote.
        {{L"C:\\Program Files\\", L"x"}, L"\"C:\\Program Files\\\\\" x"},
        // Backslashes that no quote follows stay single, also at the end of a bare argument.
        {{L"D:\\", L"\\\\server\\share"}, L"D:\\ \\\\server\\share"},
        {{L"a\\\\\"b"}, L"a\\\\\\\\\"b"},
        // An empty argument and one with a tab would vanish or split without quotes.
        {{L"--a", L"", L"--b"}, L"--a \"\" --b"},
        {{L"x\ty"}, L"\"x\ty\""},
    };
    for (const auto& c : cases) EXPECT_EQ(JoinArguments(c.arguments), c.expected) << c.expected;
}

}  // namespace
}  // namespace Ravenquill::Core
