#include "app/process_end_win32.h"

#include <windows.h>

#include <cstdio>

namespace Ravenquill::Program {

void EndProcess(int exitCode) noexcept {
    std::fflush(nullptr);
    ExitProcess(static_cast<UINT>(exitCode));
}

}  // namespace Ravenquill::Program
