// The progress page's run against fake engines: how each end of a run is routed, the questions it
// asks through the wizard's dialogs, and how answers, closing and cancellation reach the worker.

#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <thread>

#include "core/common/errors.h"
#include "pages/progress_run.h"
#include "support/page_fixture.h"

namespace Ravenquill::Pages {
namespace {

using namespace Testing;
using Core::FileLockInfo;
using Core::FileLockResolution;
using Core::LockingProcess;

class RecordingReporter final : public RunReporter {
public:
    void OnProgress(const Core::InstallProgress& progress) override { Add(L"progress " + progress.Status()); }
    void OnLog(const std::wstring& line) override { Add(L"log " + line); }
    void OnClosingPrograms() override { Add(L"closing"); }

    std::vector<std::wstring> Events() const {
        std::lock_guard lock(mutex_);
        return events_;
    }

private:
    void Add(std::wstring event) {
        std::lock_guard lock(mutex_);
        events_.push_back(std::move(event));
    }
    mutable std::mutex mutex_;
    std::vector<std::wstring> events_;
};

Core::InstallRecord TargetRecord() {
    Core::InstallRecord record;
    record.ProductName = L"Quillpad";
    record.InstallDir = L"C:\\Apps\\Quillpad";
    record.Files = {L"quillpad.exe"};
    return record;
}

// The installation as the uninstall page found it, in the folder its uninstaller runs from.
Core::FoundInstallation Target() { return {TargetRecord(), L"C:\\Apps\\Quillpad"}; }

std::vector<LockingProcess> TwoPrograms() { return {{101, L"quillpad", true}, {202, L"helper", true}}; }

class ProgressRunTest : public PageFixture {
protected:
    ~ProgressRunTest() override { runs_.Finish(live_); }

    // Runs the install (or the removal of the record) on a worker of its own, as the page does.
    std::future<RunOutcome> StartInstall() {
        return std::async(std::launch::async, [this] {
            worker_ = std::this_thread::get_id();
            Core::InstallOptions options;
            options.InstallDir = L"C:\\Apps\\Quillpad";
            return run_.Install(options);
        });
    }
    std::future<RunOutcome> StartUninstall(bool keepUserData = false) {
        return std::async(std::launch::async, [this, keepUserData] {
            worker_ = std::this_thread::get_id();
            return run_.Uninstall(Target(), keepUserData);
        });
    }

    // A run's end, or a failure after a timeout.
    static RunOutcome End(std::future<RunOutcome>& run) {
        EXPECT_EQ(run.wait_for(10s), std::future_status::ready) << "the run did not end";
        return run.get();
    }

    Shell::LiveRuns runs_;
    std::shared_ptr<Shell::LiveRuns::Entry> live_ = runs_.Start();
    RecordingReporter reporter_;
    ProgressRun run_{*wizard_, *engines_, reporter_, *live_};
    std::atomic<std::thread::id> worker_;
};

TEST_F(ProgressRunTest, EachEndOfARunIsRoutedToItsResult) {
    struct Case {
        const char* name;
        bool uninstall;
        std::function<void()> engineEnd;  // throws, or returns for success
        RunResult expected;
        std::wstring message;
    };
    const Case cases[] = {
        {"installed", false, [] {}, RunResult::Installed, L""},
        {"uninstalled", true, [] {}, RunResult::Uninstalled, L""},
        {"install cancelled", false, [] { throw OperationCanceledException(); }, RunResult::InstallCancelled, L""},
        {"uninstall cancelled", true, [] { throw OperationCanceledException(); }, RunResult::UninstallCancelled, L""},
        {"own failure", false, [] { throw Core::InstallFailedException(L"Файл «a.dll» занят."); }, RunResult::Failed,
         L"Файл «a.dll» занят."},
        {"platform failure", false, [] { throw IOException(L"Диск заполнен."); }, RunResult::Failed, L"Диск заполнен."},
        {"removal failure", true, [] { throw InvalidDataException(L"Запись повреждена."); }, RunResult::Failed,
         L"Запись повреждена."},
        {"foreign failure", false, [] { throw std::runtime_error("out of handles"); }, RunResult::Failed,
         L"out of handles"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        engines_->OnInstall = [&](const Core::InstallOptions& options, auto&, auto&, auto) {
            c.engineEnd();
            Core::InstallRecord record;
            record.InstallDir = options.InstallDir;
            record.Version = L"3.1.0";
            return record;
        };
        engines_->OnUninstall = [&](auto&, bool, auto&, auto) { c.engineEnd(); };
        const std::size_t selfDeletesBefore = engines_->Recorded().SelfDeletes.size();
        auto run = c.uninstall ? StartUninstall() : StartInstall();
        const RunOutcome outcome = End(run);
        EXPECT_EQ(outcome.Result, c.expected);
        EXPECT_EQ(outcome.Message, c.message);
        // Only a removal that succeeded leaves its uninstaller and folder to the self-deletion,
        // which starts when the window has closed, as this process then ends.
        EXPECT_EQ(engines_->Recorded().SelfDeletes.size(), selfDeletesBefore);
        wizard_->WindowClosed();
        wizard_->WindowClosed();
        const std::vector<std::wstring> selfDeletes = engines_->Recorded().SelfDeletes;
        EXPECT_EQ(selfDeletes.size() - selfDeletesBefore, c.expected == RunResult::Uninstalled ? 1u : 0u);
        if (c.expected == RunResult::Uninstalled) {
            EXPECT_EQ(selfDeletes.back(), L"C:\\Apps\\Quillpad");
        }
        if (c.expected == RunResult::Installed) {
            ASSERT_TRUE(outcome.Record);
            EXPECT_EQ(outcome.Record->Version, L"3.1.0");
        }
        if (c.expected == RunResult::Uninstalled) {
            ASSERT_TRUE(outcome.Record);
            EXPECT_EQ(outcome.Record->InstallDir, L"C:\\Apps\\Quillpad");
        }
    }
}

TEST_F(ProgressRunTest, AFailureBeforeTheEngineRunsEndsAsFailedToo) {
    engines_->OnFindProcesses = [](const std::wstring&) -> std::vector<LockingProcess> {
        throw UnauthorizedAccessException(L"Отказано в доступе.");
    };
    auto run = StartInstall();
    const RunOutcome outcome = End(run);
    EXPECT_EQ(outcome.Result, RunResult::Failed);
    EXPECT_EQ(outcome.Message, L"Отказано в доступе.");
    EXPECT_EQ(engines_->Recorded().Installs, 0);
}

TEST_F(ProgressRunTest, RefusingToCloseTheRunningProgramsCancelsBeforeAnythingIsTouched) {
    struct Case {
        bool uninstall;
        std::wstring message;
        RunResult expected;
    };
    const Case cases[] = {
        {false, L"Установка не может заменить файлы, пока приложение работает. Закройте его, чтобы продолжить.",
         RunResult::InstallCancelled},
        {true, L"Удаление не может завершиться, пока приложение работает. Закройте его, чтобы продолжить.",
         RunResult::UninstallCancelled},
    };
    engines_->OnFindProcesses = [](const std::wstring&) { return TwoPrograms(); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.uninstall ? "uninstall" : "install");
        auto run = c.uninstall ? StartUninstall() : StartInstall();
        const auto dialog = NextDialog();
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->Title, L"Quillpad сейчас запущен");
        EXPECT_EQ(dialog->Message, c.message);
        EXPECT_EQ(dialog->PrimaryText, L"Закрыть и продолжить");
        EXPECT_EQ(dialog->SecondaryText, L"Отмена");
        EXPECT_EQ(dialog->Items,
                  (std::vector<std::wstring>{TwoPrograms()[0].DisplayName(), TwoPrograms()[1].DisplayName()}));
        dialog->OnSecondary();
        EXPECT_EQ(wizard_->Dialog(), nullptr);
        EXPECT_EQ(End(run).Result, c.expected);
    }
    const auto calls = engines_->Recorded();
    EXPECT_EQ(calls.SearchedDirectories, (std::vector<std::wstring>(2, L"C:\\Apps\\Quillpad")));
    EXPECT_EQ(calls.Installs + calls.Uninstalls, 0);
    EXPECT_TRUE(calls.Closed.empty());
}

TEST_F(ProgressRunTest, SurvivorsAreOfferedAgainUntilNoneIsLeftAndTheWorkerDoesTheClosing) {
    engines_->OnFindProcesses = [](const std::wstring&) { return TwoPrograms(); };
    int closings = 0;
    engines_->OnClose = [&](const std::vector<LockingProcess>& processes, auto) {
        // The first attempt leaves the helper running; the second closes it.
        return ++closings == 1 ? std::vector<LockingProcess>{processes[1]} : std::vector<LockingProcess>{};
    };
    auto run = StartUninstall(true);
    const auto first = NextDialog();
    ASSERT_TRUE(first);
    first->OnPrimary();
    const auto second = NextDialog(first);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->Title, L"Не удалось закрыть");
    EXPECT_EQ(second->Message, L"Эти приложения всё ещё работают. Закройте их вручную и повторите.");
    EXPECT_EQ(second->PrimaryText, L"Закрыть и продолжить");
    EXPECT_EQ(second->Items, std::vector<std::wstring>{L"helper (PID 202)"});
    // The first dialog's button, pressed again now, neither answers nor closes the second one.
    first->OnSecondary();
    EXPECT_EQ(wizard_->Dialog(), second);
    second->OnPrimary();
    EXPECT_EQ(End(run).Result, RunResult::Uninstalled);

    const auto calls = engines_->Recorded();
    ASSERT_EQ(calls.Closed.size(), 2u);
    EXPECT_EQ(calls.Closed[0], TwoPrograms());
    EXPECT_EQ(calls.Closed[1], std::vector<LockingProcess>{TwoPrograms()[1]});
    for (const auto& thread : calls.CloseThreads) {
        EXPECT_EQ(thread, worker_.load()) << "an answer must not run the worker's continuation";
        EXPECT_NE(thread, std::this_thread::get_id());
    }
    EXPECT_EQ(calls.KeepUserData, true);
    const auto events = reporter_.Events();
    EXPECT_EQ(std::count(events.begin(), events.end(), L"closing"), 2);
}

TEST_F(ProgressRunTest, ALockedFileIsAskedAboutAsItsHoldersAreKnownOrNot) {
    // Holders known: offered to be closed, then the copy is retried; none known: retried or given up.
    const auto holders =
        std::make_shared<const std::vector<LockingProcess>>(std::vector<LockingProcess>{{7, L"viewer", true}});
    std::vector<FileLockResolution> answers;
    engines_->OnInstall = [&](const Core::InstallOptions& options, auto&,
                              const Core::InstallEngine::LockHandler& locked, auto) {
        answers.push_back(locked(FileLockInfo(L"C:\\Apps\\Quillpad\\bin\\core.dll", holders)));
        answers.push_back(locked(FileLockInfo(L"C:\\Apps\\Quillpad\\readme.txt", nullptr)));
        answers.push_back(locked(FileLockInfo(L"C:\\Apps\\Quillpad\\readme.txt", nullptr)));
        if (answers.back() == FileLockResolution::Abort)
            throw Core::InstallFailedException(L"Файл «readme.txt» занят другим приложением.");
        return Core::InstallRecord{.InstallDir = options.InstallDir};
    };
    auto run = StartInstall();

    const auto held = NextDialog();
    ASSERT_TRUE(held);
    EXPECT_EQ(held->Title, L"Файл занят приложением");
    EXPECT_EQ(held->Message,
              L"Файл «core.dll» используется другим приложением. Закройте его, чтобы продолжить установку.");
    EXPECT_EQ(held->PrimaryText, L"Закрыть и продолжить");
    EXPECT_EQ(held->Items, std::vector<std::wstring>{L"viewer (PID 7)"});
    held->OnPrimary();

    const auto unknown = NextDialog(held);
    ASSERT_TRUE(unknown);
    EXPECT_EQ(unknown->Title, L"Файл занят");
    EXPECT_EQ(unknown->Message,
              L"Не удаётся записать «readme.txt» — файл используется другой программой. Закройте "
              L"её и повторите попытку.");
    EXPECT_EQ(unknown->PrimaryText, L"Повторить");
    EXPECT_EQ(unknown->SecondaryText, L"Отмена");
    EXPECT_TRUE(unknown->Items.empty());
    unknown->OnPrimary();
    const auto again = NextDialog(unknown);
    ASSERT_TRUE(again);
    again->OnSecondary();

    const RunOutcome outcome = End(run);
    EXPECT_EQ(answers, (std::vector<FileLockResolution>{FileLockResolution::Retry, FileLockResolution::Retry,
                                                        FileLockResolution::Abort}));
    EXPECT_EQ(outcome.Result, RunResult::Failed);
    EXPECT_EQ(outcome.Message, L"Файл «readme.txt» занят другим приложением.");
    EXPECT_EQ(engines_->Recorded().Closed, std::vector<std::vector<LockingProcess>>{*holders});
}

TEST_F(ProgressRunTest, ACancellationWhileProgramsAreBeingClosedEndsTheRunAsCancelled) {
    engines_->OnFindProcesses = [](const std::wstring&) { return TwoPrograms(); };
    std::atomic<bool> closing = false;
    engines_->OnClose = [&](const std::vector<LockingProcess>&, CancellationToken token) {
        closing = true;
        BlockUntilCancelled(token);
        return std::vector<LockingProcess>{};
    };
    auto run = StartInstall();
    const auto dialog = NextDialog();
    ASSERT_TRUE(dialog);
    dialog->OnPrimary();
    ASSERT_TRUE(WaitUntil([&] { return closing.load(); }));
    live_->Cancellation.request_stop();
    EXPECT_EQ(End(run).Result, RunResult::InstallCancelled);
    EXPECT_EQ(engines_->Recorded().Installs, 0);
}

TEST_F(ProgressRunTest, ARunAlreadyCancelledAsksNothing) {
    engines_->OnFindProcesses = [](const std::wstring&) { return TwoPrograms(); };
    live_->Cancellation.request_stop();
    auto run = StartInstall();
    EXPECT_EQ(End(run).Result, RunResult::InstallCancelled);
    EXPECT_EQ(wizard_->Dialog(), nullptr);
}

TEST_F(ProgressRunTest, AClosingWindowAnswersTheOpenQuestionNo) {
    // Running programs: refused, so the run ends as cancelled; a locked file: given up.
    engines_->OnFindProcesses = [](const std::wstring&) { return TwoPrograms(); };
    auto refused = StartInstall();
    ASSERT_TRUE(NextDialog());
    runs_.CancelAll();
    EXPECT_EQ(End(refused).Result, RunResult::InstallCancelled);
    EXPECT_EQ(wizard_->Dialog(), nullptr) << "the answer closes its dialog";
}

TEST_F(ProgressRunTest, AClosingWindowGivesUpALockedFile) {
    std::optional<FileLockResolution> answer;
    engines_->OnInstall = [&](const Core::InstallOptions&, auto&, const Core::InstallEngine::LockHandler& locked,
                              auto) -> Core::InstallRecord {
        answer = locked(FileLockInfo(L"C:\\Apps\\Quillpad\\readme.txt", nullptr));
        throw Core::InstallFailedException(L"Файл «readme.txt» занят другим приложением.");
    };
    auto run = StartInstall();
    ASSERT_TRUE(NextDialog());
    runs_.CancelAll();
    EXPECT_EQ(End(run).Result, RunResult::Failed);
    EXPECT_EQ(answer, FileLockResolution::Abort);
}

}  // namespace
}  // namespace Ravenquill::Pages
