#include "core/common/hresult.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace Ravenquill {
namespace {

TEST(HResultTest, TextIsEightUpperCaseDigitsOfTheTwosComplement) {
    EXPECT_EQ(HResultText(0), L"00000000");
    EXPECT_EQ(HResultText(0x1A), L"0000001A");
    EXPECT_EQ(HResultText(static_cast<std::int32_t>(0x80070005)), L"80070005");
    EXPECT_EQ(HResultText(-1), L"FFFFFFFF");
    EXPECT_EQ(HResultText(INT_MIN), L"80000000");
}

TEST(HResultTest, OnlyNegativeStatusesThrowWithTheSubjectAndTheStatus) {
    EXPECT_NO_THROW(ThrowIfFailed(0, L"Call"));
    EXPECT_NO_THROW(ThrowIfFailed(1, L"Call"));  // S_FALSE is a success
    EXPECT_NO_THROW(ThrowIfFailed(INT_MAX, L"Call"));
    const std::int32_t denied = static_cast<std::int32_t>(0x80070005);
    try {
        ThrowIfFailed(denied, L"CoCreateGuid");
        FAIL() << "no exception";
    } catch (const InvalidOperationException& e) {
        EXPECT_EQ(e.Message(), L"CoCreateGuid: 0x80070005");
        EXPECT_EQ(dynamic_cast<const HResultException&>(e).HResult(), denied);
    }
}

}  // namespace
}  // namespace Ravenquill
