#pragma once
// "...Async" operations return std::future and run on the system thread pool (Windows) or on a
// detached thread (native build). Callers that must block wait on the future.
#include <functional>
#include <future>
#include <memory>
#include <type_traits>

namespace Ravenquill {

// Runs the work on the thread pool. The work must not throw (RunAsync wraps it).
void QueueOnThreadPool(std::function<void()> work);

template <class F>
auto RunAsync(F&& work) -> std::future<std::invoke_result_t<std::decay_t<F>>> {
    using R = std::invoke_result_t<std::decay_t<F>>;
    auto task = std::make_shared<std::packaged_task<R()>>(std::forward<F>(work));
    auto future = task->get_future();
    QueueOnThreadPool([task] { (*task)(); });
    return future;
}

}  // namespace Ravenquill
