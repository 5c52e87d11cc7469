#pragma once
// The one way the program's process ends. Windows builds only.
namespace Ravenquill::Program {

// Ends the process without the C++ run-time's exit: ExitProcess stops every other thread first, so
// a run that the wizard's window left behind on the thread pool never meets a destroyed static
// object. What was written to the standard streams is flushed first.
[[noreturn]] void EndProcess(int exitCode) noexcept;

}  // namespace Ravenquill::Program
