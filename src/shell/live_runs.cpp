#include "live_runs.h"

#include <algorithm>
#include <utility>

namespace Ravenquill::Shell {

void LiveRuns::Entry::SetPendingAnswer(std::function<void()> answerNo) {
    {
        std::lock_guard lock(mutex_);
        if (!cancelled_) {
            pendingAnswer_ = std::move(answerNo);
            return;
        }
    }
    if (answerNo) answerNo();
}

void LiveRuns::Entry::ClearPendingAnswer() {
    // Declared before the lock, so the action (which may hold the last reference to a dialog's
    // answer) is destroyed after the lock is released.
    std::function<void()> dropped;
    std::lock_guard lock(mutex_);
    dropped.swap(pendingAnswer_);
}

void LiveRuns::Entry::CancelAndAnswer() {
    std::function<void()> answer;
    {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
        answer.swap(pendingAnswer_);
    }
    // The stop first, so that a run woken by the answer already sees itself cancelled.
    Cancellation.request_stop();
    if (answer) answer();
}

std::shared_ptr<LiveRuns::Entry> LiveRuns::Start(std::stop_source cancellation) {
    auto entry = std::make_shared<Entry>(std::move(cancellation));
    bool closing = false;
    {
        std::lock_guard lock(mutex_);
        entries_.push_back(entry);
        closing = closing_;
    }
    if (closing) entry->CancelAndAnswer();
    return entry;
}

void LiveRuns::Finish(const std::shared_ptr<Entry>& entry) {
    {
        std::lock_guard lock(mutex_);
        std::erase(entries_, entry);
    }
    finished_.notify_all();
}

bool LiveRuns::Any() const {
    std::lock_guard lock(mutex_);
    return !entries_.empty();
}

void LiveRuns::CancelAll() {
    std::vector<std::shared_ptr<Entry>> live;
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
        live = entries_;
    }
    // Outside the lock: an answer closes a dialog and asks for a frame, and a woken run may
    // finish (and take the lock) before the next one is reached.
    for (const auto& entry : live) entry->CancelAndAnswer();
}

bool LiveRuns::WaitForAll(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return finished_.wait_for(lock, timeout, [this] { return entries_.empty(); });
}

}  // namespace Ravenquill::Shell
