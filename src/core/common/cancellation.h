#pragma once
// Cancellation is std::stop_token: a long operation takes one token and tests it before every unit
// of work with ThrowIfCancellationRequested; waits use Delay, which a stop request interrupts.
#include <algorithm>
#include <chrono>
#include <stop_token>
#include <thread>

#include "errors.h"

namespace Ravenquill {

using CancellationToken = std::stop_token;
using CancellationTokenSource = std::stop_source;

inline void ThrowIfCancellationRequested(const CancellationToken& token) {
    if (token.stop_requested()) throw OperationCanceledException();
}

// How soon a wait sees a stop request.
inline constexpr std::chrono::milliseconds CancellationPollInterval{10};

// Waits for the duration; returns false as soon as the token is (or becomes) cancelled.
//
// The wait tests the token between short sleeps instead of being woken by a std::stop_callback:
// with the MinGW runtime, a callback that a stop runs on another thread while its owner is being
// destroyed can leave the owner waiting forever (the runtime's semaphore misses the wake-up), and
// condition_variable_any's wait with a stop token is built on such a callback.
template <class Rep, class Period>
bool WaitFor(std::chrono::duration<Rep, Period> duration, const CancellationToken& token) {
    using Seconds = std::chrono::duration<double>;
    const auto start = std::chrono::steady_clock::now();
    const double total = Seconds(duration).count();  // in floating point: no overflow for long waits
    for (;;) {
        if (token.stop_requested()) return false;
        const double left = total - Seconds(std::chrono::steady_clock::now() - start).count();
        if (left <= 0) return !token.stop_requested();
        std::this_thread::sleep_for(std::min<Seconds>(Seconds(left), CancellationPollInterval));
    }
}

// Waits for the duration; throws OperationCanceledException when the token is cancelled.
template <class Rep, class Period>
void Delay(std::chrono::duration<Rep, Period> duration, const CancellationToken& token) {
    if (!WaitFor(duration, token)) throw OperationCanceledException();
}

}  // namespace Ravenquill
