#include "core/engine/platform/path_variable.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace Ravenquill::Core {
namespace {

TEST(PathVariableTest, SamePathIgnoresCaseTrailingBackslashesAndSurroundingSpace) {
    const struct {
        std::wstring a;
        std::wstring b;
        bool same;
    } cases[] = {
        {L"C:\\Apps\\Tool", L"c:\\apps\\TOOL", true},
        {L"C:\\Apps\\Tool", L"C:\\Apps\\Tool\\", true},
        {L"C:\\Apps\\Tool", L"  C:\\Apps\\Tool\\\\ ", true},
        {L"C:\\", L"C:", true},
        {L"C:\\Apps", L"C:\\Apps\\Tool", false},
        {L"C:\\Apps\\Tool", L"C:\\Apps\\Tool2", false},
        {L"C:\\Приложение", L"c:\\ПРИЛОЖЕНИЕ", true},
    };
    for (const auto& c : cases) EXPECT_EQ(PathVariable::SamePath(c.a, c.b), c.same) << c.a << L" | " << c.b;
}

TEST(PathVariableTest, ContainsLooksAtNonEmptyEntriesOnly) {
    EXPECT_TRUE(PathVariable::Contains(L"C:\\A;;C:\\Tool\\;", L"c:\\tool"));
    EXPECT_FALSE(PathVariable::Contains(L";;", L""));
    EXPECT_FALSE(PathVariable::Contains(L"C:\\Tools", L"C:\\Tool"));
}

// Expands %HOME% only, as the platform would for a variable that is set.
std::wstring FakeExpand(std::wstring_view entry) {
    std::wstring text(entry);
    const std::wstring reference = L"%HOME%";
    for (std::size_t at; (at = text.find(reference)) != std::wstring::npos;)
        text.replace(at, reference.size(), L"C:\\Users\\u");
    return text;
}

TEST(PathVariableTest, AppendKeepsTheStoredTextAndComparesExpandedEntries) {
    const struct {
        std::wstring stored;
        std::wstring dir;
        std::optional<std::wstring> expected;
    } cases[] = {
        {L"", L"C:\\Tool", L"C:\\Tool"},
        {L"C:\\A", L"C:\\Tool", L"C:\\A;C:\\Tool"},
        {L"C:\\A;;;", L"C:\\Tool", L"C:\\A;C:\\Tool"},
        // Only separators: no entry at all, so no empty one before the directory.
        {L";;", L"C:\\Tool", L"C:\\Tool"},
        {L"%HOME%\\bin;C:\\A", L"C:\\Tool", L"%HOME%\\bin;C:\\A;C:\\Tool"},
        {L"C:\\A; c:\\tool\\ ", L"C:\\Tool", std::nullopt},
        // The entry is present under its reference: nothing is appended.
        {L"%HOME%\\bin;C:\\A", L"C:\\Users\\U\\Bin", std::nullopt},
        // dir is appended exactly as given.
        {L"C:\\A", L"C:\\Tool\\ ", L"C:\\A;C:\\Tool\\ "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PathVariable::AppendEntry(c.stored, c.dir, FakeExpand), c.expected) << c.stored;
}

TEST(PathVariableTest, RemoveDropsMatchingAndEmptyEntriesAndKeepsTheRestAsStored) {
    const struct {
        std::wstring stored;
        std::wstring dir;
        std::wstring expected;
    } cases[] = {
        {L"C:\\A;C:\\Tool;C:\\B;c:\\TOOL\\", L"C:\\Tool", L"C:\\A;C:\\B"},
        {L"C:\\A;;C:\\B", L"C:\\Tool", L"C:\\A;C:\\B"},
        {L"C:\\Tool", L"C:\\Tool", L""},
        {L"%HOME%\\bin;C:\\A", L"C:\\Users\\u\\bin", L"C:\\A"},
        {L"%HOME%\\bin;  ;C:\\Tool", L"C:\\Tool", L"%HOME%\\bin;  "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PathVariable::RemoveEntry(c.stored, c.dir, FakeExpand), c.expected) << c.stored;
}

TEST(PathVariableTest, AppendThenRemoveGivesTheStoredTextBack) {
    const std::wstring stored = L"%HOME%\\bin;C:\\Windows;%HOME%\\AppData\\Local\\Tools";
    const std::optional<std::wstring> added = PathVariable::AppendEntry(stored, L"D:\\Program Files\\X", FakeExpand);
    ASSERT_TRUE(added.has_value());
    EXPECT_EQ(PathVariable::RemoveEntry(*added, L"D:\\Program Files\\X", FakeExpand), stored);
}

}  // namespace
}  // namespace Ravenquill::Core
