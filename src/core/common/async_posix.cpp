#include <thread>

#include "async.h"

namespace Ravenquill {

void QueueOnThreadPool(std::function<void()> work) { std::thread(std::move(work)).detach(); }

}  // namespace Ravenquill
