#include "core/common/growing_text.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace Ravenquill {
namespace {

// A call that writes `text` the way the system's "length or size needed" calls do, counting its
// calls and the capacities it was given.
struct FakeCall {
    std::wstring Text;
    bool CutsShort = false;  // as GetModuleFileNameW: a full buffer instead of the size needed
    std::vector<std::size_t> Capacities;

    BufferCallResult operator()(wchar_t* buffer, std::size_t capacity) {
        Capacities.push_back(capacity);
        if (Text.size() < capacity) {
            Text.copy(buffer, Text.size());
            buffer[Text.size()] = L'\0';
            return Text.size();
        }
        if (CutsShort) return capacity;
        return Text.size() + 1;
    }
};

TEST(GrowingTextTest, GrowsToTheSizeAskedForOrDoublesACutShortText) {
    struct Case {
        std::size_t length;
        bool cutsShort;
        std::size_t capacity;
        std::vector<std::size_t> capacities;
    };
    const Case cases[] = {
        {0, false, 4, {4}},        // an empty text fits any buffer
        {3, false, 4, {4}},        // fits with its terminator
        {4, false, 4, {4, 5}},     // one more unit for the terminator
        {9, false, 4, {4, 10}},    // straight to the size asked for
        {9, true, 4, {4, 8, 16}},  // doubled until it fits
        {300, false, FirstTextCapacity, {FirstTextCapacity, 301}},
    };
    for (const Case& c : cases) {
        FakeCall call{std::wstring(c.length, L'x'), c.cutsShort, {}};
        const std::optional<std::wstring> text = GrowingText(std::ref(call), c.capacity);
        ASSERT_TRUE(text) << c.length;
        EXPECT_EQ(*text, std::wstring(c.length, L'x')) << c.length;
        EXPECT_EQ(call.Capacities, c.capacities) << c.length;
    }
}

TEST(GrowingTextTest, AFailedCallOrATextPastTheLimitGivesNothing) {
    EXPECT_EQ(GrowingText([](wchar_t*, std::size_t) -> BufferCallResult { return std::nullopt; }), std::nullopt);
    FakeCall call{std::wstring(40, L'x'), true, {}};
    EXPECT_EQ(GrowingText(std::ref(call), 4, 32), std::nullopt);
    EXPECT_EQ(call.Capacities, (std::vector<std::size_t>{4, 8, 16, 32}));
}

}  // namespace
}  // namespace Ravenquill
