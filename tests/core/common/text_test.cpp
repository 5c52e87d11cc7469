#include "core/common/text.h"

#include <gtest/gtest.h>

namespace Ravenquill::Text {
namespace {

TEST(Utf8, RoundTripsEveryPlane) {
    const std::wstring text = {L'A', 0x00E9, 0x0416, 0x20AC, 0xD83D, 0xDE00};
    EXPECT_EQ(ToUtf8(text), "A\xC3\xA9\xD0\x96\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
}

TEST(Utf8, IllFormedInputBecomesReplacementCharacters) {
    struct Case {
        std::string input;
        std::wstring expected;
    } cases[] = {
        {"\x80", {0xFFFD}},              // lone continuation byte
        {"\xC0\xAF", {0xFFFD, 0xFFFD}},  // overlong form
        {"\xE2\x82", {0xFFFD}},          // truncated sequence: one maximal subpart
        {"\xE2\x82"
         "A",
         {0xFFFD, L'A'}},                                        // the next byte is not swallowed
        {"\xED\xA0\x80", {0xFFFD, 0xFFFD, 0xFFFD}},              // an encoded surrogate
        {"\xF4\x90\x80\x80", {0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD}},  // beyond U+10FFFF
        {"\xFF", {0xFFFD}},
    };
    for (const auto& c : cases) EXPECT_EQ(FromUtf8(c.input), c.expected) << c.input.size();
}

TEST(Utf8, UnpairedSurrogatesBecomeReplacementCharacters) {
    EXPECT_EQ(ToUtf8(std::wstring{0xD800, L'x'}), "\xEF\xBF\xBDx");
    EXPECT_EQ(ToUtf8(std::wstring{0xDC00}), "\xEF\xBF\xBD");
}

TEST(Utf16, WellFormedMeansEverySurrogatePaired) {
    const std::pair<std::wstring, bool> cases[] = {
        {L"", true},
        {L"plain \u0436", true},
        {std::wstring{0xD83D, 0xDE00}, true},
        {std::wstring{L'a', 0xD800}, false},
        {std::wstring{0xD800, L'a'}, false},
        {std::wstring{0xDC00, 0xD800}, false},
        {std::wstring{0xD800, 0xDC00, 0xDC00}, false},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(IsWellFormedUtf16(text), expected) << text.size();
}

TEST(CaseMapping, CoversLatinGreekAndCyrillic) {
    EXPECT_EQ(ToUpper(L"abc\u00e9\u0101\u03b1\u0436\u0451"), L"ABC\u00c9\u0100\u0391\u0416\u0401");
    EXPECT_EQ(ToLower(L"ABC\u00c9\u0100\u0391\u0416\u0401"), L"abc\u00e9\u0101\u03b1\u0436\u0451");
    EXPECT_EQ(ToUpper(L'\u00df'), L'\u00df');  // no one-unit upper case
    EXPECT_TRUE(EqualsIgnoreCase(L"Программа", L"ПРОГРАММА"));
    EXPECT_FALSE(EqualsIgnoreCase(L"abc", L"abd"));
    EXPECT_TRUE(StartsWithIgnoreCase(L"Docs\\Readme.txt", L"DOCS\\"));
    EXPECT_TRUE(EndsWithIgnoreCase(L"app.LNK", L".lnk"));
    EXPECT_LT(CompareIgnoreCase(L"a", L"B"), 0);
}

TEST(WhiteSpace, IsTheUnicodeSet) {
    for (wchar_t c : {0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x20, 0x85, 0xA0, 0x1680, 0x2000, 0x200A, 0x2028, 0x2029, 0x202F,
                      0x205F, 0x3000})
        EXPECT_TRUE(IsWhiteSpace(c)) << static_cast<int>(c);
    for (wchar_t c : {0x08, 0x200B, 0xFEFF, 0x0041}) EXPECT_FALSE(IsWhiteSpace(c)) << static_cast<int>(c);
    EXPECT_EQ(Trim(L"\u3000 \tx y\u00a0\r\n"), L"x y");
    EXPECT_TRUE(IsNullOrWhiteSpace(L" \u2003 "));
}

TEST(Split, KeepsEmptyPieces) {
    EXPECT_EQ(Split(L"a,,b,", L','), (std::vector<std::wstring>{L"a", L"", L"b", L""}));
    EXPECT_EQ(Split(L"", L','), (std::vector<std::wstring>{L""}));
}

TEST(EscapeControls, WritesEachControlCharacterAsItsCode) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"Quill.Tool", L"Quill.Tool"},
        {L"a\r\nb\tc", L"a\\u000D\\u000Ab\\u0009c"},
        {std::wstring(L"\0\x1B[2J", 5), L"\\u0000\\u001B[2J"},
        {L"\x7F\x9F\xA0\u0412\x1F ", L"\\u007F\\u009F\xA0\u0412\\u001F "},
        {L"", L""},
    };
    for (const auto& [text, escaped] : cases) EXPECT_EQ(EscapeControls(text), escaped) << ToUtf8(escaped);
}

}  // namespace
}  // namespace Ravenquill::Text
