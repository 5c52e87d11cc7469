#pragma once
// A desktop for the wizard's and the pages' native tests: every answer is set by the test, and
// every question asked is written down in order. UI-thread use only, as the wizard makes it, but
// for the free space, which the options page asks for on the thread pool: set its answers before
// the page is drawn, and read FreeSpaceRoots through FreeSpaceQuestions.
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "shell/shell_platform.h"

namespace Ravenquill::Testing {

class FakeShellPlatform : public Shell::ShellPlatform {
public:
    struct FolderRequest {
        std::optional<std::wstring> Title;
        std::optional<std::wstring> InitialPath;
    };
    struct ShellStart {
        std::wstring File;
        std::optional<std::wstring> Arguments;
        std::optional<std::wstring> WorkingDirectory;

        bool operator==(const ShellStart&) const = default;
    };

    // Answers.
    std::optional<std::wstring> PickedFolder;
    std::int64_t FreeBytes = 100LL * 1024 * 1024 * 1024;
    std::exception_ptr FreeBytesFailure;  // raised by FreeBytesAvailable when set
    std::exception_ptr StartFailure;      // raised by StartThroughShell (after writing it down) when set
    // Run inside PickFolder, as the window's frames and messages go on while the picker is open.
    std::function<void()> WhilePicking;
    // Run inside FreeBytesAvailable before it answers, on the asking thread (a slow volume).
    std::function<void()> WhileMeasuring;

    // Questions, in the order asked.
    std::vector<FolderRequest> FolderRequests;
    std::vector<std::wstring> FreeSpaceRoots;
    std::vector<ShellStart> Starts;

    std::optional<std::wstring> PickFolder(const std::optional<std::wstring>& title,
                                           const std::optional<std::wstring>& initialPath) override {
        FolderRequests.push_back({title, initialPath});
        if (WhilePicking) WhilePicking();
        return PickedFolder;
    }
    std::int64_t FreeBytesAvailable(const std::wstring& root) override {
        {
            const std::lock_guard lock(freeSpaceLock_);
            FreeSpaceRoots.push_back(root);
        }
        if (WhileMeasuring) WhileMeasuring();
        if (FreeBytesFailure) std::rethrow_exception(FreeBytesFailure);
        return FreeBytes;
    }
    std::vector<std::wstring> FreeSpaceQuestions() {
        const std::lock_guard lock(freeSpaceLock_);
        return FreeSpaceRoots;
    }
    void StartThroughShell(const std::wstring& file, const std::optional<std::wstring>& arguments,
                           const std::optional<std::wstring>& workingDirectory) override {
        Starts.push_back({file, arguments, workingDirectory});
        if (StartFailure) std::rethrow_exception(StartFailure);
    }

private:
    std::mutex freeSpaceLock_;
};

}  // namespace Ravenquill::Testing
