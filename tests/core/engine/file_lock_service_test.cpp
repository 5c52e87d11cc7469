// The service's paths that need no running process of the test: its answers for blank and missing
// paths, and the Restart Manager's holders through a replaced lock list.
#include "core/engine/platform/file_lock_service.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "core/common/path.h"
#include "core/common/text.h"
#include "core/engine/platform/file_lock_platform.h"
#include "core/engine/platform/file_lock_records.h"

namespace Ravenquill::Core {
namespace {

using FileLockRecords::RestartManagerHolder;
using FileLockRecords::ScopedLockListSource;

// Odd ids far above any real process id: no process has them, so the reported names stand in.
constexpr std::int32_t Zed = 2'000'000'001;
constexpr std::int32_t Alpha = 2'000'000'003;
constexpr std::int32_t Beta = 2'000'000'005;

std::wstring NoSuchDirectory() {
    auto temp = Text::FromUtf8(std::filesystem::temp_directory_path().string());
    return Path::Combine(temp, L"rq-file-lock-missing-7d1c2e", L"sub");
}

TEST(FileLockServiceTest, BlankAndMissingPathsListNobody) {
    for (const std::wstring& path : {std::wstring(), std::wstring(L"   "), NoSuchDirectory()}) {
        EXPECT_TRUE(FileLockService::FindProcessesInDirectory(path).empty()) << path;
        EXPECT_TRUE(FileLockService::FindLockingProcesses(Path::Combine(path, L"file.dll")).empty()) << path;
    }
}

TEST(FileLockServiceTest, RestartManagerHoldersAreAnsweredWithoutThisProcessDeduplicatedAndSorted) {
    const std::int32_t self = FileLockPlatform::CurrentProcessId();
    std::wstring askedFor;
    ScopedLockListSource source([&](const std::wstring& path) {
        askedFor = path;
        return std::vector<RestartManagerHolder>{{self, L"tests"},     {Zed, L"Zed"},   {Alpha, L"alpha"},
                                                 {Zed, L"Zed"},        {Beta, L"Beta"}, {Beta + 2, L" "},
                                                 {Beta + 4, L"SYSTEM"}};
    });
    const std::wstring file = Path::Combine(NoSuchDirectory(), L"app.dll");
    const std::vector<LockingProcess> expected = {
        {Alpha, L"alpha", true}, {Beta, L"Beta", true}, {Beta + 4, L"SYSTEM", false}, {Zed, L"Zed", true}};
    EXPECT_EQ(FileLockService::QueryRestartManager(file), expected);
    EXPECT_EQ(askedFor, file);
    // Holders found: no directory scan is needed for the answer.
    EXPECT_EQ(FileLockService::FindLockingProcesses(file), expected);
}

TEST(FileLockServiceTest, OnlyThisProcessHoldingFallsBackToTheFolderScan) {
    const std::int32_t self = FileLockPlatform::CurrentProcessId();
    std::atomic<int> queries = 0;
    ScopedLockListSource source([&](const std::wstring&) {
        ++queries;
        return std::vector<RestartManagerHolder>{{self, L"tests"}, {self, L"tests"}};
    });
    const std::wstring file = Path::Combine(NoSuchDirectory(), L"app.dll");
    EXPECT_TRUE(FileLockService::QueryRestartManager(file).empty());
    EXPECT_TRUE(FileLockService::FindLockingProcesses(file).empty());
    EXPECT_EQ(queries, 2);
}

TEST(FileLockServiceTest, ProcessesThatMayNotBeClosedAreAnsweredUntouched) {
    const std::vector<LockingProcess> list = {
        FileLockService::CreateLockingProcess(Zed, L"Explorer"),
        FileLockService::CreateLockingProcess(Alpha, L"SYSTEM"),
        FileLockService::CreateLockingProcess(FileLockPlatform::CurrentProcessId(), L"tests")};
    for (const auto& p : list) EXPECT_FALSE(p.CanBeClosed()) << p.Name();
    EXPECT_EQ(FileLockService::CloseAsync(list).get(), list);
}

TEST(FileLockServiceTest, TreeFailureKeepsEveryTerminationFailure) {
    const ProcessTreeException failure({std::make_exception_ptr(UnauthorizedAccessException(L"Access denied : PID 8")),
                                        std::make_exception_ptr(PlatformException(L"Invalid handle : PID 12", 6))});
    EXPECT_EQ(failure.Failures().size(), 2u);
    EXPECT_EQ(failure.Message(), L"Access denied : PID 8; Invalid handle : PID 12");
}

}  // namespace
}  // namespace Ravenquill::Core
