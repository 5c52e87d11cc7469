#include "core/common/scoped_override.h"

#include <gtest/gtest.h>

#include "core/common/number_format.h"

namespace Ravenquill {
namespace {

TEST(ScopedOverrideTest, ReplacementsNestAndEachPutsBackWhatItFound) {
    int slot = 1;
    {
        const ScopedOverride outer(slot, 2);
        EXPECT_EQ(slot, 2);
        {
            const ScopedOverride inner(slot, 3);
            EXPECT_EQ(slot, 3);
        }
        EXPECT_EQ(slot, 2);
    }
    EXPECT_EQ(slot, 1);
}

TEST(ScopedOverrideTest, TheNumberFormatInForceIsTheInnermostReplacement) {
    const std::wstring platform = CurrentNumberFormat().DecimalSeparator;
    {
        const ScopedNumberFormat comma(NumberFormat{L",", L"-"});
        {
            const ScopedNumberFormat dot(NumberFormat{L"·", L"-"});
            EXPECT_EQ(FormatDouble(1.5), L"1·5");
        }
        EXPECT_EQ(FormatDouble(1.5), L"1,5");
    }
    EXPECT_EQ(CurrentNumberFormat().DecimalSeparator, platform);
}

}  // namespace
}  // namespace Ravenquill
