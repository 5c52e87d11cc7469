#pragma once
// The progress page's run, on its worker thread: it drives the install or uninstall engine through
// the engine seam, relays progress and log lines to its page, asks the user through the wizard's
// dialogs (programs running from the target, locked files), closes programs, and routes the end of
// the run to a result. The dialogs' buttons run on the UI thread and only complete the answer the
// worker waits for; the worker itself never runs on the UI thread.
#include <atomic>
#include <exception>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/engine/engines/engine_services.h"
#include "core/model/file_lock_info.h"
#include "core/model/install_options.h"
#include "core/model/install_progress.h"
#include "core/model/install_record.h"
#include "core/model/locking_process.h"
#include "shell/dialog.h"
#include "shell/live_runs.h"
#include "shell/page.h"
#include "shell/wizard.h"

namespace Ravenquill::Pages {

// How a run ended, before it becomes a result page.
enum class RunResult { Installed, Uninstalled, InstallCancelled, UninstallCancelled, Failed };

struct RunOutcome {
    RunResult Result = RunResult::Failed;
    // Installed: the engine's record; Uninstalled: the removed installation's record.
    std::optional<Core::InstallRecord> Record;
    // Failed: the failure's message.
    std::wstring Message;

    static RunOutcome Failed(std::wstring message) { return {RunResult::Failed, std::nullopt, std::move(message)}; }
};

// The result page of an outcome.
std::shared_ptr<Shell::IPage> MakeResultPage(Shell::Wizard& wizard, RunOutcome outcome);

// What the run tells its page; called on the worker's (or the engine's) thread.
class RunReporter {
public:
    virtual void OnProgress(const Core::InstallProgress& progress) = 0;
    virtual void OnLog(const std::wstring& line) = 0;
    // The user agreed to close programs: the status says so until the next progress report.
    virtual void OnClosingPrograms() = 0;

protected:
    ~RunReporter() = default;
};

// The answer to one question, given once by whichever comes first: one of the dialog's buttons or
// the closing window. Later attempts do nothing.
class DialogAnswer {
public:
    // Closes the dialog, then completes the answer; nothing when the answer was already given. The
    // dialog is closed first so that the woken worker's next question is never closed with it.
    void Give(Shell::Wizard& wizard, bool value);
    // Blocks the worker until the answer is given.
    bool Wait();

private:
    std::atomic<bool> claimed_ = false;
    std::promise<bool> promise_;
    std::future<bool> future_ = promise_.get_future();
};

class ProgressRun {
public:
    ProgressRun(Shell::Wizard& wizard, Core::EngineServices& engines, RunReporter& reporter,
                Shell::LiveRuns::Entry& live);

    // The install run: programs running from the target first, then the engine. Never throws.
    RunOutcome Install(const Core::InstallOptions& options);
    // The uninstall run: programs running from the installation first, then the engine; once it
    // has succeeded, the self-deletion of what is left (the running uninstaller, the folder) waits
    // for the window to close. Never throws.
    RunOutcome Uninstall(const Core::FoundInstallation& target, bool keepUserData);

    // True when nothing runs from the directory, or the user had every such program closed.
    bool EnsureNothingRunsFrom(const std::wstring& directory, const std::wstring& message);
    // The engine's locked-file question.
    Core::FileLockResolution OnFileLocked(const Core::FileLockInfo& info);
    // Offers to close the programs until none survives (true) or the user refuses (false).
    bool AskAndClose(std::wstring title, std::wstring message, std::vector<Core::LockingProcess> processes);
    // Shows the dialog and waits for its answer: true for the primary button. A run already
    // cancelled asks nothing and ends as cancelled.
    bool Ask(const std::shared_ptr<Shell::Dialog>& dialog);

private:
    Core::EngineEvents Events();

    Shell::Wizard& wizard_;
    Core::EngineServices& engines_;
    RunReporter& reporter_;
    Shell::LiveRuns::Entry& live_;
    CancellationToken token_;
};

}  // namespace Ravenquill::Pages
