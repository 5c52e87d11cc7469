#include "core/engine/platform/elevation.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace Ravenquill::Core::Elevation {
namespace {

TEST(ElevationTest, ProbeNameIsThePrefixAndThirtyTwoLowerCaseHexDigits) {
    std::array<std::uint8_t, 16> guid{};
    for (std::size_t i = 0; i < guid.size(); ++i) guid[i] = static_cast<std::uint8_t>(i * 17);
    guid[15] = 0xAB;
    EXPECT_EQ(ProbeFileName(guid), L".rq-write-probe-00112233445566778899aabbccddeeab");
}

TEST(ElevationTest, NearestExistingAncestorIsTheFirstDirectoryUpTheChain) {
    const std::set<std::wstring> existing{L"C:\\", L"C:\\Users", L"C:\\Users\\me"};
    const auto exists = [&](const std::wstring& path) { return existing.count(path) != 0; };
    const struct {
        std::wstring path;
        std::optional<std::wstring> expected;
    } cases[] = {
        {L"C:\\Users\\me", L"C:\\Users\\me"},      {L"C:\\Users\\me\\new\\deeper", L"C:\\Users\\me"},
        {L"C:\\Program Files\\X", L"C:\\"},        {L"C:\\", L"C:\\"},
        {L"Q:\\Missing\\Dir", std::nullopt},       {L"Q:\\", std::nullopt},
        {L"\\\\server\\share\\dir", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(FindExistingAncestor(c.path, exists), c.expected) << c.path;
}

TEST(ElevationTest, QuoteWrapsOnlyArgumentsWithASpaceAndNoQuote) {
    const struct {
        std::wstring value;
        std::wstring expected;
    } cases[] = {
        {L"--per-machine", L"--per-machine"},
        {L"C:\\Program Files\\X", L"\"C:\\Program Files\\X\""},
        {L"--dir=\"C:\\Program Files\\X\"", L"--dir=\"C:\\Program Files\\X\""},
        {L"", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(Quote(c.value), c.expected) << c.value;
}

TEST(ElevationTest, EmptyArgumentListGivesAnEmptyArgumentString) {
    EXPECT_EQ(BuildArguments(std::vector<std::wstring>{}), L"");
}

}  // namespace
}  // namespace Ravenquill::Core::Elevation
