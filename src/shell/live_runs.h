#pragma once
// Every engine run that the wizard starts registers here while it is live, so that a window closed
// mid-run can cancel all of them, answer any open question with "no" (a locked file: Abort; running
// programs: refused) and wait, for a bounded time, until each has finished its clean-up before the
// process ends. Safe from any thread.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <vector>

namespace Ravenquill::Shell {

class LiveRuns {
public:
    class Entry {
    public:
        explicit Entry(std::stop_source cancellation) : Cancellation(std::move(cancellation)) {}

        // The run's cancellation; CancelAll requests a stop on it.
        std::stop_source Cancellation;

        // While a question waits for the user: the action that answers it "no". Cleared when
        // answered; CancelAll runs it (once) after requesting the stop. Set after CancelAll has
        // already reached this run, it runs at once, on the calling thread, so that a question
        // asked while the window closes is never left waiting.
        void SetPendingAnswer(std::function<void()> answerNo);
        void ClearPendingAnswer();

    private:
        friend class LiveRuns;
        // Stops the run and answers its open question, if any.
        void CancelAndAnswer();

        std::mutex mutex_;
        std::function<void()> pendingAnswer_;
        bool cancelled_ = false;
    };

    // A new live run that stops through the given source (the run's own). The run calls Finish with
    // it when its clean-up is over (also on failure). A run started after CancelAll is cancelled at
    // once: the window that would show it is closing.
    std::shared_ptr<Entry> Start(std::stop_source cancellation = std::stop_source());
    void Finish(const std::shared_ptr<Entry>& entry);

    bool Any() const;
    // Cancels every live run and answers its open question "no".
    void CancelAll();
    // Waits until no run is live; false when the timeout passed first.
    bool WaitForAll(std::chrono::milliseconds timeout) const;

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable finished_;
    std::vector<std::shared_ptr<Entry>> entries_;
    bool closing_ = false;
};

}  // namespace Ravenquill::Shell
