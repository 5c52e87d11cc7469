// The progress page's run against fake engines: the result page each end of a run shows, the
// questions it asks through the wizard's dialogs, and how answers, closing and cancellation reach
// the run.

#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <thread>

#include "core/common/errors.h"
#include "pages/finish_page.h"
#include "pages/progress_run.h"
#include "support/page_fixture.h"

namespace Ravenquill::Pages {
namespace {

using namespace Testing;
using Core::FileLockInfo;
using Core::FileLockResolution;
using Core::LockingProcess;

Core::InstallRecord TargetRecord() {
    Core::InstallRecord record;
    record.ProductName = L"Quillpad";
    record.InstallDir = L"C:\\Apps\\Quillpad";
    record.Files = {L"quillpad.exe"};
    return record;
}

// The installation as the uninstall page found it, in the folder its uninstaller runs from, spelt
// as the search spelt it (the self-deletion removes that folder, not the record's spelling of it).
Core::FoundInstallation Target() { return {TargetRecord(), L"c:\\apps\\quillpad"}; }

std::vector<LockingProcess> TwoPrograms() { return {{101, L"quillpad", true}, {202, L"helper", true}}; }

// How a run ended, as its result page tells.
enum class Ended { Installed, Uninstalled, InstallCancelled, UninstallCancelled, Failed };

struct Result {
    Ended How = Ended::Failed;
    std::wstring Title;
    std::wstring Message;
    std::optional<Core::InstallRecord> Record;
};

class ProgressRunTest : public RunFixture {
protected:
    // Starts the install (or the removal of the target) as the page does, on the thread pool.
    void StartInstall() {
        ProgressRun::Request request;
        request.Install.InstallDir = L"C:\\Apps\\Quillpad";
        run_->Start(std::move(request));
    }
    void StartUninstall(bool keepUserData = false) {
        ProgressRun::Request request;
        request.Uninstall = Target();
        request.KeepUserData = keepUserData;
        run_->Start(std::move(request));
    }

    // The run's end as the result page it showed tells it, or a failure after a timeout.
    Result End() {
        EXPECT_TRUE(wizard_->Runs->WaitForAll(10s)) << "the run did not end";
        const auto page = std::dynamic_pointer_cast<FinishPage>(wizard_->CurrentPage());
        if (!page) {
            ADD_FAILURE() << "no result page";
            return {};
        }
        Result result{Ended::Failed, page->Title, page->Message, page->Record};
        switch (page->Kind) {
            case FinishKind::Installed:
                result.How = Ended::Installed;
                break;
            case FinishKind::Uninstalled:
                result.How = Ended::Uninstalled;
                break;
            case FinishKind::Cancelled:
                result.How = page->Title == L"Удаление отменено" ? Ended::UninstallCancelled : Ended::InstallCancelled;
                break;
            case FinishKind::Failed:
                break;
        }
        return result;
    }

    std::shared_ptr<ProgressRun> run_ = ProgressRun::Create(*wizard_, engines_);
};

TEST_F(ProgressRunTest, EachEndOfARunEndsOnItsResultPage) {
    struct Case {
        const char* name;
        bool uninstall;
        std::function<void()> engineEnd;  // throws, or returns for success
        Ended expected;
        std::wstring title;
        std::wstring message;
    };
    const std::wstring failed = L"Не удалось завершить операцию";
    const Case cases[] = {
        {"installed", false, [] {}, Ended::Installed, L"Quillpad установлен", L""},
        {"uninstalled", true, [] {}, Ended::Uninstalled, L"Quillpad удалён", L""},
        {"install cancelled", false, [] { throw OperationCanceledException(); }, Ended::InstallCancelled,
         L"Установка отменена", L""},
        {"uninstall cancelled", true, [] { throw OperationCanceledException(); }, Ended::UninstallCancelled,
         L"Удаление отменено", L""},
        {"own failure", false, [] { throw Core::InstallFailedException(L"Файл «a.dll» занят."); }, Ended::Failed,
         failed, L"Файл «a.dll» занят."},
        {"platform failure", false, [] { throw IOException(L"Диск заполнен."); }, Ended::Failed, failed,
         L"Диск заполнен."},
        {"removal failure", true, [] { throw InvalidDataException(L"Запись повреждена."); }, Ended::Failed, failed,
         L"Запись повреждена."},
        {"foreign failure", false, [] { throw std::runtime_error("out of handles"); }, Ended::Failed, failed,
         L"out of handles"},
        {"no failure of ours", false, [] { throw 42; }, Ended::Failed, failed, UnknownFailureMessage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        engines_->OnInstall = [&](const Core::InstallOptions& options, auto&, auto&, auto) {
            c.engineEnd();
            Core::InstallRecord record;
            record.ProductName = L"Quillpad";
            record.InstallDir = options.InstallDir;
            record.Version = L"3.1.0";
            return record;
        };
        engines_->OnUninstall = [&](auto&, bool, auto&, auto) { c.engineEnd(); };
        const std::size_t selfDeletesBefore = engines_->Recorded().SelfDeletes.size();
        run_ = ProgressRun::Create(*wizard_, engines_);
        c.uninstall ? StartUninstall() : StartInstall();
        const Result result = End();
        EXPECT_EQ(result.How, c.expected);
        EXPECT_EQ(result.Title, c.title);
        if (!c.message.empty()) {
            EXPECT_EQ(result.Message, c.message);
        }
        // Only a removal that succeeded leaves its uninstaller and folder to the self-deletion,
        // which starts when the window has closed, as this process then ends.
        EXPECT_EQ(engines_->Recorded().SelfDeletes.size(), selfDeletesBefore);
        wizard_->WindowClosed();
        wizard_->WindowClosed();
        const std::vector<std::wstring> selfDeletes = engines_->Recorded().SelfDeletes;
        EXPECT_EQ(selfDeletes.size() - selfDeletesBefore, c.expected == Ended::Uninstalled ? 1u : 0u);
        if (c.expected == Ended::Uninstalled) {
            EXPECT_EQ(selfDeletes.back(), L"c:\\apps\\quillpad");
        }
        if (c.expected == Ended::Installed) {
            ASSERT_TRUE(result.Record);
            EXPECT_EQ(result.Record->Version, L"3.1.0");
        }
    }
}

TEST_F(ProgressRunTest, AFailureBeforeTheEngineRunsEndsAsFailedToo) {
    engines_->OnFindProcesses = [](const std::wstring&) -> std::vector<LockingProcess> {
        throw UnauthorizedAccessException(L"Отказано в доступе.");
    };
    StartInstall();
    const Result result = End();
    EXPECT_EQ(result.How, Ended::Failed);
    EXPECT_EQ(result.Message, L"Отказано в доступе.");
    EXPECT_EQ(engines_->Recorded().Installs, 0);
}

TEST_F(ProgressRunTest, RefusingToCloseTheRunningProgramsCancelsBeforeAnythingIsTouched) {
    struct Case {
        bool uninstall;
        std::wstring message;
        Ended expected;
    };
    const Case cases[] = {
        {false, L"Установка не может заменить файлы, пока приложение работает. Закройте его, чтобы продолжить.",
         Ended::InstallCancelled},
        {true, L"Удаление не может завершиться, пока приложение работает. Закройте его, чтобы продолжить.",
         Ended::UninstallCancelled},
    };
    engines_->OnFindProcesses = [](const std::wstring&) { return TwoPrograms(); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.uninstall ? "uninstall" : "install");
        run_ = ProgressRun::Create(*wizard_, engines_);
        c.uninstall ? StartUninstall() : StartInstall();
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
        EXPECT_EQ(End().How, c.expected);
    }
    const auto calls = engines_->Recorded();
    EXPECT_EQ(calls.SearchedDirectories, (std::vector<std::wstring>(2, L"C:\\Apps\\Quillpad")));
    EXPECT_EQ(calls.Installs + calls.Uninstalls, 0);
    EXPECT_TRUE(calls.Closed.empty());
}

TEST_F(ProgressRunTest, SurvivorsAreOfferedAgainUntilNoneIsLeftAndTheWorkerDoesTheClosing) {
    engines_->OnFindProcesses = [](const std::wstring&) { return TwoPrograms(); };
    std::wstring statusWhileClosing;
    engines_->OnClose = [&, closings = 0](const std::vector<LockingProcess>& processes, auto) mutable {
        statusWhileClosing = run_->TakeSnapshot().Status;
        // The first attempt leaves the helper running; the second closes it.
        return ++closings == 1 ? std::vector<LockingProcess>{processes[1]} : std::vector<LockingProcess>{};
    };
    StartUninstall(true);
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
    EXPECT_EQ(End().How, Ended::Uninstalled);

    const auto calls = engines_->Recorded();
    ASSERT_EQ(calls.Closed.size(), 2u);
    EXPECT_EQ(calls.Closed[0], TwoPrograms());
    EXPECT_EQ(calls.Closed[1], std::vector<LockingProcess>{TwoPrograms()[1]});
    for (const auto& thread : calls.CloseThreads) {
        EXPECT_EQ(thread, calls.EngineThread) << "an answer must not run the run's continuation";
        EXPECT_NE(thread, std::this_thread::get_id());
    }
    EXPECT_EQ(calls.KeepUserData, true);
    EXPECT_EQ(statusWhileClosing, L"Закрываем приложения…");
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
    StartInstall();

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

    const Result result = End();
    EXPECT_EQ(answers, (std::vector<FileLockResolution>{FileLockResolution::Retry, FileLockResolution::Retry,
                                                        FileLockResolution::Abort}));
    EXPECT_EQ(result.How, Ended::Failed);
    EXPECT_EQ(result.Message, L"Файл «readme.txt» занят другим приложением.");
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
    StartInstall();
    const auto dialog = NextDialog();
    ASSERT_TRUE(dialog);
    dialog->OnPrimary();
    ASSERT_TRUE(WaitUntil([&] { return closing.load(); }));
    run_->Cancel();
    EXPECT_EQ(End().How, Ended::InstallCancelled);
    EXPECT_EQ(engines_->Recorded().Installs, 0);
}

TEST_F(ProgressRunTest, ARunAlreadyCancelledAsksNothing) {
    engines_->OnFindProcesses = [](const std::wstring&) { return TwoPrograms(); };
    run_->Cancel();
    StartInstall();
    EXPECT_EQ(End().How, Ended::InstallCancelled);
    EXPECT_EQ(wizard_->Dialog(), nullptr);
}

TEST_F(ProgressRunTest, AClosingWindowAnswersTheOpenQuestionNo) {
    // Running programs: refused, so the run ends as cancelled; a locked file: given up.
    engines_->OnFindProcesses = [](const std::wstring&) { return TwoPrograms(); };
    StartInstall();
    ASSERT_TRUE(NextDialog());
    wizard_->Runs->CancelAll();
    EXPECT_EQ(End().How, Ended::InstallCancelled);
    EXPECT_EQ(wizard_->Dialog(), nullptr) << "the answer closes its dialog";
}

TEST_F(ProgressRunTest, AClosingWindowGivesUpALockedFile) {
    std::optional<FileLockResolution> answer;
    engines_->OnInstall = [&](const Core::InstallOptions&, auto&, const Core::InstallEngine::LockHandler& locked,
                              auto) -> Core::InstallRecord {
        answer = locked(FileLockInfo(L"C:\\Apps\\Quillpad\\readme.txt", nullptr));
        throw Core::InstallFailedException(L"Файл «readme.txt» занят другим приложением.");
    };
    StartInstall();
    ASSERT_TRUE(NextDialog());
    wizard_->Runs->CancelAll();
    EXPECT_EQ(End().How, Ended::Failed);
    EXPECT_EQ(answer, FileLockResolution::Abort);
}

}  // namespace
}  // namespace Ravenquill::Pages
