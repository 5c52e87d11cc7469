#pragma once
// Cancellation is std::stop_token: a long operation takes one token and tests it before every unit
// of work with ThrowIfCancellationRequested; waits use Delay, which a stop request interrupts.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stop_token>

#include "errors.h"

namespace Ravenquill {

using CancellationToken = std::stop_token;
using CancellationTokenSource = std::stop_source;

inline void ThrowIfCancellationRequested(const CancellationToken& token) {
    if (token.stop_requested()) throw OperationCanceledException();
}

// Waits for the duration; returns false at once when the token is (or becomes) cancelled.
template <class Rep, class Period>
bool WaitFor(std::chrono::duration<Rep, Period> duration, const CancellationToken& token) {
    if (token.stop_requested()) return false;
    std::mutex mutex;
    std::condition_variable_any wake;
    std::unique_lock lock(mutex);
    return !wake.wait_for(lock, token, duration, [] { return false; }) && !token.stop_requested();
}

// Waits for the duration; throws OperationCanceledException when the token is cancelled.
template <class Rep, class Period>
void Delay(std::chrono::duration<Rep, Period> duration, const CancellationToken& token) {
    if (!WaitFor(duration, token)) throw OperationCanceledException();
}

}  // namespace Ravenquill
