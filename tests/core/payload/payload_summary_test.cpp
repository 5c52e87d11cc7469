#include "core/payload/payload_summary.h"

#include <gtest/gtest.h>

#include <numeric>

#include "core/common/errors.h"
#include "payload_test_support.h"

namespace Ravenquill::Core {
namespace {

using namespace Testing;

// Entries with paths and lengths only: the summary never opens a file.
class ListedSource final : public PayloadSource {
public:
    explicit ListedSource(std::vector<std::pair<std::wstring, std::int64_t>> files) {
        for (auto& [path, length] : files) entries_.push_back(PayloadEntry{std::move(path), length, nullptr});
    }
    const std::vector<PayloadEntry>& Entries() const override { return entries_; }

private:
    std::vector<PayloadEntry> entries_;
};

ComponentDefinition Component(std::wstring id, std::optional<std::wstring> prefix) {
    ComponentDefinition c;
    c.Id = std::move(id);
    c.PathPrefix = std::move(prefix);
    return c;
}

std::int64_t SumOf(const PayloadSummary& s) {
    return std::accumulate(s.ComponentBytes.begin(), s.ComponentBytes.end(), s.UnassignedBytes,
                           [](std::int64_t sum, const auto& item) { return sum + item.second; });
}

TEST(PayloadSummary, IsUnderComparesWholePartsIgnoringCase) {
    const struct {
        const wchar_t* prefix;
        const wchar_t* path;
        bool under;
    } cases[] = {
        {L"bin/", L"bin\\tool.exe", true}, {L"bin/", L"binder.dat", false},
        {L"bin/", L"bin", false},          {L"BIN", L"bin\\a.dll", true},
        {L"app\\\\", L"app\\x", true},     {L"app/extras", L"app\\extras\\x", true},
        {L"\\", L"x\\y", false},           {L"/", L"x", false},
        {L"a/b", L"a\\bc\\d", false},      {L" bin", L"bin\\x", false},
        {L"bin", L"\\bin\\x", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PayloadSummary::IsUnder(c.prefix, c.path), c.under) << c.prefix << " " << c.path;
}

TEST(PayloadSummary, EachEntryGoesToTheFirstComponentThatOwnsIt) {
    const ListedSource source({{L"app\\main.exe", 100}, {L"app\\extras\\x.dat", 20}, {L"readme.txt", 3}, {L"app", 4}});
    InstallManifest manifest;
    manifest.Components = {Component(L"core", L"app"), Component(L"extras", L"app/extras"), Component(L"blank", L"  "),
                           Component(L"none", std::nullopt)};
    PayloadSummary s = PayloadSummary::FromSource(source, manifest);
    EXPECT_TRUE(s.HasPayload);
    EXPECT_EQ(s.FileCount, 4);
    EXPECT_EQ(s.TotalBytes, 127);
    EXPECT_EQ(s.ComponentBytes.at(L"core"), 120);
    EXPECT_EQ(s.ComponentBytes.at(L"extras"), 0);
    EXPECT_EQ(s.ComponentBytes.at(L"blank"), 0) << "a blank prefix owns nothing but keeps its key";
    EXPECT_EQ(s.ComponentBytes.at(L"none"), 0);
    EXPECT_EQ(s.UnassignedBytes, 7) << "a path equal to the prefix is not below it";
    EXPECT_EQ(s.ComponentBytes.at(L"CORE"), 120) << "ids compare ignoring case";

    std::swap(manifest.Components[0], manifest.Components[1]);
    s = PayloadSummary::FromSource(source, manifest);
    EXPECT_EQ(s.ComponentBytes.at(L"extras"), 20);
    EXPECT_EQ(s.ComponentBytes.at(L"core"), 100);
    EXPECT_EQ(SumOf(s), s.TotalBytes);
}

TEST(PayloadSummary, WithoutComponentsEveryByteIsUnassigned) {
    const ListedSource source({{L"a", 5}, {L"b\\c", 6}});
    const PayloadSummary s = PayloadSummary::FromSource(source, InstallManifest());
    EXPECT_TRUE(s.HasPayload);
    EXPECT_TRUE(s.ComponentBytes.empty());
    EXPECT_EQ(s.UnassignedBytes, 11);
    EXPECT_EQ(s.TotalBytes, 11);
}

// Ids equal but for letter case share one size; the manifest is taken as it comes, without a crash.
TEST(PayloadSummary, ComponentsWhoseIdsDifferOnlyInCaseShareOneSize) {
    const ListedSource source({{L"a\\1", 1}, {L"b\\2", 2}, {L"c", 4}});
    InstallManifest manifest;
    manifest.Components = {Component(L"Dup", L"a"), Component(L"dup", L"b"), Component(L"", L"zzz")};
    const PayloadSummary s = PayloadSummary::FromSource(source, manifest);
    ASSERT_EQ(s.ComponentBytes.size(), 2u);
    EXPECT_EQ(s.ComponentBytes.at(L"DUP"), 3);
    EXPECT_EQ(s.UnassignedBytes, 4);
    EXPECT_EQ(SumOf(s), s.TotalBytes);
}

class PayloadSummaryLoad : public ::testing::Test {
protected:
    TempFolder folder;
    FakeHost host{folder.Path("setup.exe")};
    ScopedHost scoped{host};
};

TEST_F(PayloadSummaryLoad, NoPayloadGivesTheEmptySummary) {
    InstallManifest manifest;
    manifest.Components = {Component(L"core", L"app")};
    const PayloadSummary s = PayloadSummary::Load(manifest);
    EXPECT_FALSE(s.HasPayload);
    EXPECT_EQ(s.FileCount, 0);
    EXPECT_EQ(s.TotalBytes, 0);
    EXPECT_EQ(s.UnassignedBytes, 0);
    EXPECT_TRUE(s.ComponentBytes.empty());
}

TEST_F(PayloadSummaryLoad, SummarisesTheSourceThatOpenFindsAndPassesItsFailuresOn) {
    folder.Write("payload/app/main.exe", Bytes("12345"));
    folder.Write("payload/notes.txt", Bytes("12"));
    InstallManifest manifest;
    manifest.Components = {Component(L"core", L"app/")};
    const PayloadSummary s = PayloadSummary::Load(manifest);
    EXPECT_TRUE(s.HasPayload);
    EXPECT_EQ(s.FileCount, 2);
    EXPECT_EQ(s.ComponentBytes.at(L"core"), 5);
    EXPECT_EQ(s.UnassignedBytes, 2);

    folder.Write("payload.rqpk", Bytes("RQPK2\n\xff\xff\xff\xff"));
    EXPECT_THROW(PayloadSummary::Load(manifest), InvalidDataException);
}

}  // namespace
}  // namespace Ravenquill::Core
