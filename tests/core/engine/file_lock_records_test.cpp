#include "core/engine/platform/file_lock_records.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/common/path.h"
#include "core/common/text.h"
#include "core/engine/platform/file_lock_service.h"

namespace Ravenquill::Core {
namespace {

using FileLockRecords::RestartManagerHolder;

// Process ids that no system hands out (they are odd and far above any real id).
constexpr std::int32_t Zed = 2'000'000'001;
constexpr std::int32_t Alpha = 2'000'000'003;
constexpr std::int32_t Beta = 2'000'000'005;

std::vector<std::wstring> Names(const std::vector<LockingProcess>& processes) {
    std::vector<std::wstring> names;
    for (const auto& p : processes) names.push_back(p.Name());
    return names;
}

int CompareOrdinalIgnoreCase(std::wstring_view a, std::wstring_view b) { return Text::CompareIgnoreCase(a, b); }

TEST(FileLockRecordsTest, CriticalNamesAreTheFixedListComparedIgnoringCase) {
    const std::vector<std::wstring> expected = {L"explorer", L"csrss", L"winlogon", L"wininit", L"services",
                                                L"lsass",    L"smss",  L"dwm",      L"system",  L"svchost"};
    EXPECT_EQ(FileLockService::CriticalNames(), expected);

    const struct {
        std::wstring name;
        bool critical;
    } cases[] = {
        {L"Explorer", true},      {L"SYSTEM", true},     {L"svchost", true}, {L"DWM", true},
        {L"explorer.exe", false}, {L"explorer2", false}, {L"sys", false},    {L"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FileLockRecords::IsCriticalName(c.name), c.critical) << c.name;
        EXPECT_EQ(FileLockService::CreateLockingProcess(Zed, c.name).CanBeClosed(), !c.critical) << c.name;
    }
}

TEST(FileLockRecordsTest, ThisProcessCanNeverBeClosed) {
    EXPECT_FALSE(FileLockRecords::CreateLockingProcess(42, L"app", 42).CanBeClosed());
    EXPECT_TRUE(FileLockRecords::CreateLockingProcess(42, L"app", 43).CanBeClosed());
    EXPECT_EQ(FileLockRecords::CreateLockingProcess(42, L"app", 43), LockingProcess(42, L"app", true));
}

TEST(FileLockRecordsTest, DistinctKeepsTheFirstOfEachIdAndSortsStablyByName) {
    const std::vector<LockingProcess> list = {
        {Zed, L"Zed", true},   {Alpha, L"alpha", true}, {Zed, L"other name", false},
        {Beta, L"Beta", true}, {7, L"APP", true},       {5, L"app", true},
    };
    const auto result = FileLockRecords::Distinct(list, CompareOrdinalIgnoreCase);
    const std::vector<LockingProcess> expected = {
        {Alpha, L"alpha", true}, {7, L"APP", true}, {5, L"app", true}, {Beta, L"Beta", true}, {Zed, L"Zed", true},
    };
    EXPECT_EQ(result, expected);
    EXPECT_TRUE(FileLockRecords::Distinct({}, CompareOrdinalIgnoreCase).empty());
    // The service's own comparison (the user's culture) puts the same names in the same order.
    EXPECT_EQ(Names(FileLockService::Distinct(list)), Names(expected));
}

TEST(FileLockRecordsTest, RestartManagerHoldersSkipThisProcessAndBlankNames) {
    constexpr std::int32_t self = 100;
    const std::map<std::int32_t, std::wstring> running = {{Zed, L"zed-live"}, {self, L"tests"}};
    auto lookup = [&](std::int32_t id) -> std::optional<std::wstring> {
        auto it = running.find(id);
        return it == running.end() ? std::nullopt : std::optional(it->second);
    };
    const std::vector<RestartManagerHolder> holders = {
        {self, L"tests"},        // this process: never listed
        {Zed, L"Zed reported"},  // the live process's own name wins over the reported one
        {Alpha, L"alpha"},       // gone: the reported name stands in
        {Beta, L"  "},           // gone and unnamed: dropped
        {Beta + 2, L""},        {Alpha, L"alpha again"}, {4, L"Explorer"},
    };
    const auto result = FileLockRecords::FromRestartManager(holders, self, lookup);
    const std::vector<LockingProcess> expected = {
        {Zed, L"zed-live", true}, {Alpha, L"alpha", true}, {Alpha, L"alpha again", true}, {4, L"Explorer", false}};
    EXPECT_EQ(result, expected);
    EXPECT_EQ(FileLockRecords::Distinct(result, CompareOrdinalIgnoreCase),
              (std::vector<LockingProcess>{expected[1], expected[3], expected[0]}));
}

TEST(FileLockRecordsTest, ModulesRunFromTheDirectoryOrBelowButNotFromASiblingWithTheSamePrefix) {
    const std::wstring s(1, Path::Separator);
    EXPECT_EQ(FileLockRecords::DirectoryPrefix(L"C:" + s + L"App"), L"C:" + s + L"App" + s);
    EXPECT_EQ(FileLockRecords::DirectoryPrefix(L"C:" + s + L"App" + s + s), L"C:" + s + L"App" + s);
    EXPECT_EQ(FileLockRecords::DirectoryPrefix(L"C:\\"), L"C:" + s);

    const std::wstring prefix = L"C:\\App\\";
    const struct {
        std::wstring module;
        bool runsFrom;
    } cases[] = {
        {L"C:\\App\\app.exe", true},
        {L"c:\\APP\\Tool.exe", true},
        {L"C:\\App\\bin\\x64\\worker.exe", true},
        {L"C:\\App2\\app.exe", false},
        {L"C:\\Ap\\app.exe", false},
        {L"C:\\App", false},
        {L"D:\\App\\app.exe", false},
        {L"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(FileLockRecords::RunsFrom(c.module, prefix), c.runsFrom) << c.module;
}

TEST(FileLockRecordsTest, ProcessNameIsTheImageFileNameWithoutExe) {
    const struct {
        std::wstring image;
        std::wstring name;
    } cases[] = {
        {L"C:\\App\\Tool.exe", L"Tool"},
        {L"C:\\App\\TOOL.EXE", L"TOOL"},
        {L"app.com", L"app.com"},
        {L"C:\\App\\archive.tar.exe", L"archive.tar"},
        {L"plain", L"plain"},
        {L".exe", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(FileLockRecords::ProcessNameFromImage(c.image), c.name) << c.image;
}

}  // namespace
}  // namespace Ravenquill::Core
