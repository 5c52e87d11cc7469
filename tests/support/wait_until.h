#pragma once
// Polls a condition that another thread makes true, for the tests that wait on one.
#include <chrono>
#include <thread>

namespace Ravenquill::Testing {

// True once the condition holds; false when it still does not after the timeout. A shorter step
// times the moment the condition comes true more finely, for a benchmark that measures it.
template <class Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds timeout = std::chrono::seconds(10),
               std::chrono::microseconds step = std::chrono::milliseconds(1)) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(step);
    }
    return true;
}

}  // namespace Ravenquill::Testing
