// The progress page's journal keeps the newest 400 log lines, oldest first.

#include <gtest/gtest.h>

#include <string>

#include "pages/run_journal.h"

namespace Ravenquill::Pages {
namespace {

TEST(RunJournalTest, KeepsTheNewestFourHundredLinesOldestFirst) {
    RunJournal journal;
    for (int i = 1; i <= 400; ++i) journal.Append(L"line " + std::to_wstring(i));
    ASSERT_EQ(journal.Size(), 400u);
    EXPECT_EQ(journal.Lines().front(), L"line 1");

    journal.Append(L"line 401");
    const auto lines = journal.Lines();
    ASSERT_EQ(lines.size(), 400u);
    EXPECT_EQ(lines.front(), L"line 2");
    EXPECT_EQ(lines.back(), L"line 401");
}

}  // namespace
}  // namespace Ravenquill::Pages
