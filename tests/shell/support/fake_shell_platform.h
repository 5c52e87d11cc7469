#pragma once
// A desktop for the wizard's and the pages' native tests: every answer is set by the test, and
// every question asked is written down in order. UI-thread use only, as the wizard makes it.
#include <cstdint>
#include <exception>
#include <memory>
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

    // Questions, in the order asked.
    std::vector<FolderRequest> FolderRequests;
    std::vector<std::wstring> FreeSpaceRoots;
    std::vector<ShellStart> Starts;

    std::optional<std::wstring> PickFolder(const std::optional<std::wstring>& title,
                                           const std::optional<std::wstring>& initialPath) override {
        FolderRequests.push_back({title, initialPath});
        return PickedFolder;
    }
    std::int64_t FreeBytesAvailable(const std::wstring& root) override {
        FreeSpaceRoots.push_back(root);
        if (FreeBytesFailure) std::rethrow_exception(FreeBytesFailure);
        return FreeBytes;
    }
    void StartThroughShell(const std::wstring& file, const std::optional<std::wstring>& arguments,
                           const std::optional<std::wstring>& workingDirectory) override {
        Starts.push_back({file, arguments, workingDirectory});
        if (StartFailure) std::rethrow_exception(StartFailure);
    }
};

}  // namespace Ravenquill::Testing
