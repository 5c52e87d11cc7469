#pragma once
// The free space on the install directory's drive, for the options page's space line. Asking the
// system blocks for as long as the volume takes to answer (an offline network share: many
// seconds), so a frame never asks: each directory text is asked about once, on the thread pool,
// and the page draws "…" until the answer comes, which asks for a frame.
#include <functional>
#include <memory>
#include <string>

#include "shell/shell_platform.h"

namespace Ravenquill::Pages {

// Asks now, on the calling thread: the bytes available to this user on the directory's drive, or
// "—" when the directory has no drive or the platform cannot tell (an argument, input/output or
// access-denied failure). Other failures are raised.
std::wstring FreeSpaceText(Shell::ShellPlatform& platform, const std::wstring& directory);

class FreeSpaceProbe {
public:
    static constexpr wchar_t Pending[] = L"…";

    // answered runs on the pool thread that has the answer, for the directory asked about last.
    FreeSpaceProbe(std::shared_ptr<Shell::ShellPlatform> platform, std::function<void()> answered);
    // Answers that come later are dropped and ask for nothing.
    ~FreeSpaceProbe();
    FreeSpaceProbe(const FreeSpaceProbe&) = delete;
    FreeSpaceProbe& operator=(const FreeSpaceProbe&) = delete;

    // UI thread, every frame: the text for the directory, Pending until it is known. A directory
    // other than the last one asked about is asked about now. A failure FreeSpaceText raises is
    // raised here, in the first frame after it came, as it would have been by asking in the frame.
    std::wstring TextFor(const std::wstring& directory);

private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace Ravenquill::Pages
