#pragma once
// One installation: payload entries, uninstaller copy, shortcuts, PATH entry, record and uninstall
// entry, with progress and log events and the locked-file question. A failed or cancelled run puts
// the machine back as it was before the run.
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/cancellation.h"
#include "core/common/errors.h"
#include "core/model/file_lock_info.h"
#include "core/model/install_manifest.h"
#include "core/model/install_options.h"
#include "core/model/install_progress.h"
#include "core/model/install_record.h"
#include "core/payload/payload_source.h"
#include "engine_reports.h"
#include "install_system.h"

namespace Ravenquill::Core {

// Names of the steps of a run, as the engine's step hook receives them.
namespace InstallSteps {
inline constexpr std::wstring_view Directory = L"directory";
inline constexpr std::wstring_view Entry = L"entry";
// Each piece of an entry's content, just before it is written.
inline constexpr std::wstring_view Piece = L"piece";
inline constexpr std::wstring_view Uninstaller = L"uninstaller";
inline constexpr std::wstring_view Shortcuts = L"shortcuts";
// Each link, after an earlier one in its place was moved aside and before the new one is written.
inline constexpr std::wstring_view Link = L"link";
inline constexpr std::wstring_view PathEntry = L"path";
inline constexpr std::wstring_view Record = L"record";
inline constexpr std::wstring_view Registry = L"registry";
inline constexpr std::wstring_view Wait = L"wait";
inline constexpr std::wstring_view Finish = L"finish";
}  // namespace InstallSteps

class InstallEngine : public EngineReports<InstallEngine> {
public:
    // Asked on the run's thread while a target file is locked; it may block until the user has
    // answered, and may be answered from any thread through a promise of its own.
    using LockHandler = std::function<FileLockResolution(const FileLockInfo&)>;
    using StepHook = std::function<void(std::wstring_view step)>;

    // None: a locked file fails the installation at once.
    LockHandler FileLockHandler;
    // Called with each step's name (InstallSteps) just before the step runs, on the run's thread,
    // so that a test can fail or cancel the run at any step. None in the product.
    StepHook OnStep;

    // On this machine.
    InstallEngine();
    explicit InstallEngine(std::shared_ptr<InstallSystem> system);

    // Runs Install on the thread pool. The engine must outlive the future.
    std::future<InstallRecord> InstallAsync(InstallOptions options, CancellationToken token = {});
    // The whole installation, blocking; cancellation is tested before every file and every piece
    // written of one. The payload's blocks are decoded ahead on the other cores while a file is
    // written; those threads are gone when this returns or throws.
    InstallRecord Install(const InstallOptions& options, CancellationToken token = {});

    // The entries of the selected components (and of no or required components), in source order;
    // they point into the source's list and live as long as the source.
    static std::vector<const PayloadEntry*> SelectEntries(const PayloadSource& source, const InstallManifest& manifest,
                                                          const std::vector<std::wstring>& selectedIds);
    static bool IsSameOrUnder(std::wstring_view path, std::wstring_view prefix) noexcept;
    static std::wstring FormatSize(std::int64_t bytes);

    // The manifest's main executable under the install directory, else the first "*.exe" directly
    // in it other than "uninstall.exe", on the machine given (this one by default).
    static std::optional<std::wstring> ResolveMainExecutable(const InstallManifest& manifest,
                                                             const std::wstring& installDir,
                                                             InstallSystem& system = *MachineInstallSystem());
    // The manifest's icon when that file exists, else the main executable.
    static std::optional<std::wstring> ResolveIcon(const InstallManifest& manifest, const std::wstring& installDir,
                                                   InstallSystem& system = *MachineInstallSystem());

    // InstallFailedException with the system's message when the manifest's product id cannot name
    // the product's uninstall entry and log file: blank, not one file name of its own, or longer
    // than InstallRules::MaxProductIdLength.
    static void ThrowIfProductIdUnusable(const InstallManifest& manifest);

    // Sharing or lock violation, or access denied.
    static bool IsLockViolation(const std::exception_ptr& failure);
    static std::wstring DescribeLockedFile(std::wstring_view path, const std::exception_ptr& failure);

private:
    std::shared_ptr<InstallSystem> system_;
};

}  // namespace Ravenquill::Core
