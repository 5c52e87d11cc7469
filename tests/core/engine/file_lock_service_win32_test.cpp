// The file lock service against real processes of the test: copies of the test executable started
// from temporary folders. The Restart Manager of the test platform reports no holders, so holders
// are found through the folder scan, and its own records are fed through a replaced lock list.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <vector>

#include "core/common/path.h"
#include "core/engine/file_lock_test_helper.h"
#include "core/engine/platform/file_lock_records.h"
#include "core/engine/platform/file_lock_service.h"
#include "support/temp_folder.h"

namespace Ravenquill::Core {
namespace {

using namespace std::chrono_literals;
using FileLockTest::HelperMode;
using FileLockTest::HelperProcess;
using Clock = std::chrono::steady_clock;

std::int32_t IdOf(const HelperProcess& helper) { return static_cast<std::int32_t>(helper.Id()); }

class FileLockServiceWin32Test : public testing::Test {
protected:
    std::wstring In(const std::wstring& relative) const { return Path::Combine(folder_.Path(), relative); }

    Ravenquill::Testing::TempFolder folder_;  // declared first: the helpers end before it is deleted
};

TEST_F(FileLockServiceWin32Test, HolderOfAFileIsFoundThroughItsFolder) {
    const std::wstring data = In(L"App\\data.bin");
    HelperProcess holder(In(L"App\\lockholder.exe"), HelperMode::Hold, data);

    // The file is really locked against this process.
    UniqueFileHandle attempt(CreateFileW(data.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(attempt);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));

    const std::vector<LockingProcess> expected = {{IdOf(holder), L"lockholder", true}};
    EXPECT_EQ(FileLockService::FindLockingProcesses(data), expected);
}

TEST_F(FileLockServiceWin32Test, RestartManagerHoldersAreNamedAfterTheLiveProcess) {
    HelperProcess holder(In(L"App\\lockholder.exe"), HelperMode::Sleep);
    FileLockRecords::ScopedLockListSource source([&](const std::wstring&) {
        return std::vector<FileLockRecords::RestartManagerHolder>{
            {static_cast<std::int32_t>(GetCurrentProcessId()), L"tests"},
            {IdOf(holder), L"Lock Holder Application"},
            {IdOf(holder), L"Lock Holder Application"}};
    });
    const std::vector<LockingProcess> expected = {{IdOf(holder), L"lockholder", true}};
    // The file lies where nobody runs: the answer can only come from the lock list.
    EXPECT_EQ(FileLockService::FindLockingProcesses(In(L"Other\\data.bin")), expected);
}

TEST_F(FileLockServiceWin32Test, FileNobodyHoldsInAFolderNobodyRunsFromHasNoHolders) {
    std::filesystem::create_directories(In(L"Quiet"));
    UniqueFileHandle file(
        CreateFileW(In(L"Quiet\\file.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    ASSERT_TRUE(file);
    file.reset();
    EXPECT_TRUE(FileLockService::QueryRestartManager(In(L"Quiet\\file.txt")).empty());
    EXPECT_TRUE(FileLockService::FindLockingProcesses(In(L"Quiet\\file.txt")).empty());
}

TEST_F(FileLockServiceWin32Test, DirectoryScanCountsSubfoldersButNotSiblingsWithTheSamePrefix) {
    HelperProcess worker(In(L"App\\bin\\worker.exe"), HelperMode::Sleep);
    HelperProcess sibling(In(L"App2\\other.exe"), HelperMode::Sleep);
    const LockingProcess workerRecord(IdOf(worker), L"worker", true);
    const LockingProcess siblingRecord(IdOf(sibling), L"other", true);

    const struct {
        std::wstring directory;
        std::vector<LockingProcess> expected;
    } cases[] = {
        {In(L"App"), {workerRecord}},
        {In(L"App\\\\"), {workerRecord}},
        {In(L"app\\BIN"), {workerRecord}},
        {In(L"App\\bin\\..\\..\\App2"), {siblingRecord}},
        {folder_.Path(), {siblingRecord, workerRecord}},
        {In(L"Ap"), {}},
    };
    std::filesystem::create_directories(In(L"Ap"));
    for (const auto& c : cases)
        EXPECT_EQ(FileLockService::FindProcessesInDirectory(c.directory), c.expected) << c.directory;
}

TEST_F(FileLockServiceWin32Test, ScanNeverListsThisProcess) {
    std::wstring self(32768, L'\0');
    self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
    const auto selfId = static_cast<std::int32_t>(GetCurrentProcessId());
    for (const auto& list : {FileLockService::FindProcessesInDirectory(Path::GetDirectoryName(self)),
                             FileLockService::FindLockingProcesses(self)}) {
        for (const auto& p : list) EXPECT_NE(p.ProcessId(), selfId) << p.Name();
    }
}

TEST_F(FileLockServiceWin32Test, FolderNamedInItsShortFormStillFindsItsProcesses) {
    HelperProcess helper(In(L"Long Application Folder\\tool.exe"), HelperMode::Sleep);
    std::wstring shortForm(32768, L'\0');
    shortForm.resize(GetShortPathNameW(In(L"Long Application Folder").c_str(), shortForm.data(),
                                       static_cast<DWORD>(shortForm.size())));
    ASSERT_FALSE(shortForm.empty());
    ASSERT_EQ(shortForm.find(L"Long Application Folder"), std::wstring::npos) << shortForm;
    EXPECT_EQ(FileLockService::FindProcessesInDirectory(shortForm),
              (std::vector<LockingProcess>{{IdOf(helper), L"tool", true}}));
}

TEST_F(FileLockServiceWin32Test, ProcessNameIsKnownOnlyWhileTheProcessRuns) {
    EXPECT_EQ(FileLockService::TryGetProcessName(static_cast<std::int32_t>(GetCurrentProcessId())), L"rq_engine_tests");
    auto helper = std::make_unique<HelperProcess>(In(L"App\\Named Tool.exe"), HelperMode::Sleep);
    const std::int32_t id = IdOf(*helper);
    EXPECT_EQ(FileLockService::TryGetProcessName(id), L"Named Tool");
    helper.reset();
    EXPECT_EQ(FileLockService::TryGetProcessName(id), std::nullopt);
    EXPECT_EQ(FileLockService::TryGetProcessName(2'000'000'001), std::nullopt);
}

TEST_F(FileLockServiceWin32Test, CloseAsksTheMainWindowFirstAndEndsTheProcessOtherwise) {
    const struct {
        HelperMode mode;
        DWORD exitCode;
        Clock::duration atLeast;
    } cases[] = {
        {HelperMode::Window, FileLockTest::ClosedExitCode, 400ms},
        // No close request to a disabled window or to a process without one: ended at once.
        {HelperMode::DisabledWindow, FileLockTest::TerminatedExitCode, 400ms},
        {HelperMode::Sleep, FileLockTest::TerminatedExitCode, 400ms},
        // The close request is given six seconds before the process is ended.
        {HelperMode::StubbornWindow, FileLockTest::TerminatedExitCode, 6s},
    };
    int n = 0;
    for (const auto& c : cases) {
        HelperProcess helper(In(L"App" + std::to_wstring(++n) + L"\\tool.exe"), c.mode);
        const auto started = Clock::now();
        auto stillRunning =
            FileLockService::CloseAsync({FileLockService::CreateLockingProcess(IdOf(helper), L"tool")}).get();
        const auto elapsed = Clock::now() - started;
        EXPECT_TRUE(stillRunning.empty()) << n;
        ASSERT_TRUE(helper.WaitForExit(5s)) << n;
        EXPECT_EQ(helper.ExitCode(), c.exitCode) << n;
        // Everything closed: the answer follows a further pause.
        EXPECT_GE(elapsed, c.atLeast) << n;
    }
}

TEST_F(FileLockServiceWin32Test, EndingAProcessEndsItsChildrenToo) {
    HelperProcess parent(In(L"App\\parent.exe"), HelperMode::Parent);
    const auto children = FileLockTest::ChildProcessIds(parent.Id());
    ASSERT_EQ(children.size(), 1u);
    UniqueHandle child(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, children.front()));
    ASSERT_TRUE(child);

    EXPECT_TRUE(
        FileLockService::CloseAsync({FileLockService::CreateLockingProcess(IdOf(parent), L"parent")}).get().empty());
    EXPECT_EQ(WaitForSingleObject(child.get(), 5000), static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD code = 0;
    GetExitCodeProcess(child.get(), &code);
    EXPECT_EQ(code, FileLockTest::TerminatedExitCode);
}

TEST_F(FileLockServiceWin32Test, ProtectedProcessesStayGoneOnesCountAsClosed) {
    HelperProcess critical(In(L"App\\explorer.exe"), HelperMode::Window);
    HelperProcess closable(In(L"App\\tool.exe"), HelperMode::Window);
    // Started last, so that no helper of the test can take over its id once it is gone.
    auto gone = std::make_unique<HelperProcess>(In(L"App\\gone.exe"), HelperMode::Exit);
    ASSERT_TRUE(gone->WaitForExit(5s));
    const std::int32_t goneId = IdOf(*gone);
    gone.reset();

    const LockingProcess criticalRecord = FileLockService::CreateLockingProcess(IdOf(critical), L"Explorer");
    // Even when marked closable, this process is never ended: its own tree contains it.
    const LockingProcess selfRecord(static_cast<std::int32_t>(GetCurrentProcessId()), L"tests", true);
    auto stillRunning = FileLockService::CloseAsync({criticalRecord, LockingProcess(goneId, L"gone", true), selfRecord,
                                                     FileLockService::CreateLockingProcess(IdOf(closable), L"tool")})
                            .get();
    EXPECT_EQ(stillRunning, (std::vector<LockingProcess>{criticalRecord, selfRecord}));
    EXPECT_TRUE(critical.IsRunning());
    ASSERT_TRUE(closable.WaitForExit(5s));
    EXPECT_EQ(closable.ExitCode(), FileLockTest::ClosedExitCode);
}

TEST_F(FileLockServiceWin32Test, CancelledTokenStillAsksTheFirstProcessThenStops) {
    HelperProcess first(In(L"App\\first.exe"), HelperMode::Window);
    HelperProcess second(In(L"App\\second.exe"), HelperMode::Window);
    CancellationTokenSource cancel;
    cancel.request_stop();
    auto closing = FileLockService::CloseAsync({FileLockService::CreateLockingProcess(IdOf(first), L"first"),
                                                FileLockService::CreateLockingProcess(IdOf(second), L"second")},
                                               cancel.get_token());
    EXPECT_THROW(closing.get(), OperationCanceledException);
    ASSERT_TRUE(first.WaitForExit(5s));
    EXPECT_EQ(first.ExitCode(), FileLockTest::ClosedExitCode);
    EXPECT_TRUE(second.IsRunning());
}

TEST_F(FileLockServiceWin32Test, WaitForExitEndsOnExitOrTimeOutAndThrowsOnlyForCancellation) {
    HelperProcess running(In(L"App\\running.exe"), HelperMode::Sleep);
    EXPECT_NO_THROW(FileLockService::WaitForExitAsync(running.Handle(), 100ms).get());
    EXPECT_TRUE(running.IsRunning());

    CancellationTokenSource cancel;
    auto waiting = FileLockService::WaitForExitAsync(running.Handle(), 30s, cancel.get_token());
    cancel.request_stop();
    EXPECT_THROW(waiting.get(), OperationCanceledException);

    HelperProcess exited(In(L"App\\exited.exe"), HelperMode::Exit);
    ASSERT_TRUE(exited.WaitForExit(5s));
    EXPECT_NO_THROW(FileLockService::WaitForExitAsync(exited.Handle(), 30s, cancel.get_token()).get());
}

}  // namespace
}  // namespace Ravenquill::Core
