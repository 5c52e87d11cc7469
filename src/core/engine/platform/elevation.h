#pragma once
// Whether an installation needs an elevated process, and starting one: the program's manifest asks
// for no elevation, so an installation into a folder the user cannot write relaunches the program
// through the shell's "runas" verb. Nothing here is used by an uninstallation.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace Ravenquill::Core::Elevation {

// A process started by RelaunchElevated: owns its handle, so the caller can wait for it and read
// its exit code. Windows builds only.
class ElevatedProcess {
public:
    explicit ElevatedProcess(void* processHandle) noexcept : handle_(processHandle) {}

    // Blocks until the process has ended and gives its exit code.
    std::uint32_t WaitForExit() const;
    // Waits at most timeout; true when the process has ended.
    [[nodiscard]] bool WaitForExit(std::chrono::milliseconds timeout) const;
    // The exit code once the process has ended, nothing while it runs.
    [[nodiscard]] std::optional<std::uint32_t> ExitCode() const;
    void* NativeHandle() const noexcept { return handle_.get(); }

private:
    // Closes the process handle (CloseHandle); declared here so that this header needs no Windows
    // header.
    struct HandleCloser {
        void operator()(void* handle) const noexcept;
    };
    std::unique_ptr<void, HandleCloser> handle_;
};

// Whether this process runs with administrator rights; computed once per process by
// CheckAdministrator (thread-safe). The program asks it through EngineServices::IsAdministrator,
// which tests answer themselves.
bool IsAdministrator();
// Whether the process token is in the built-in Administrators group (S-1-5-32-544). A
// process that holds the group only for denial (not elevated under User Account Control) is not.
// Access denied or an unsupported platform answer false. The native build, which has no such
// rights, answers false.
bool CheckAdministrator();

// Windows: true when an installation into targetDir needs an elevated process: never for an
// administrator; otherwise when the target is not writable (IsWritableTarget).
bool RequiresElevation(const std::wstring& targetDir);
// Windows: true when a probe file can be created in the nearest existing ancestor of targetDir
// (the probe is deleted when it is closed); false when no ancestor exists, the path cannot be
// resolved or the probe is refused.
bool IsWritableTarget(const std::wstring& targetDir);

// Windows: the full form of path, or its nearest parent, that exists as a directory; nothing when
// none does.
std::optional<std::wstring> FindExistingAncestor(const std::wstring& path);
// The same with the directory test given (the Windows overload above uses the file system).
std::optional<std::wstring> FindExistingAncestor(std::wstring_view fullPath,
                                                 const std::function<bool(const std::wstring&)>& directoryExists);

// ".rq-write-probe-" and the 16 bytes of a GUID as 32 lower-case hexadecimal digits.
std::wstring ProbeFileName(std::span<const std::uint8_t, 16> guid);

// An argument with a space and no double quote wrapped in double quotes; any other unchanged.
std::wstring Quote(std::wstring_view value);
// The command line of the relaunch: each argument quoted, joined with one space, so that the
// platform's command-line parsing gives the same list back (an argument ending in '\' included).
std::wstring BuildArguments(std::span<const std::wstring> arguments);

// Windows: starts the running executable again through the shell with the verb "runas", the
// arguments and its own folder as working directory. Nothing when the executable's path is unknown
// or the start failed (a declined consent prompt among others).
[[nodiscard]] std::optional<ElevatedProcess> RelaunchElevated(std::span<const std::wstring> arguments);

}  // namespace Ravenquill::Core::Elevation
