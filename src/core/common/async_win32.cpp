#include <windows.h>

#include <memory>

#include "async.h"
#include "win32_error.h"

namespace Ravenquill {
namespace {

void CALLBACK RunWork(PTP_CALLBACK_INSTANCE, void* context) {
    std::unique_ptr<std::function<void()>> work(static_cast<std::function<void()>*>(context));
    (*work)();
}

}  // namespace

void QueueOnThreadPool(std::function<void()> work) {
    auto owned = std::make_unique<std::function<void()>>(std::move(work));
    if (!TrySubmitThreadpoolCallback(RunWork, owned.get(), nullptr))
        ThrowLastWin32ProcessError(L"TrySubmitThreadpoolCallback");
    owned.release();  // the callback owns it now
}

}  // namespace Ravenquill
