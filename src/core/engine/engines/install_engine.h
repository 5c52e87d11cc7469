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
#include "core/common/event.h"
#include "core/model/file_lock_info.h"
#include "core/model/install_manifest.h"
#include "core/model/install_options.h"
#include "core/model/install_progress.h"
#include "core/model/install_record.h"
#include "core/payload/payload_source.h"

namespace Ravenquill::Core {

class InstallEngine {
public:
    // Asked on the run's thread while a target file is locked; it may block until the user has
    // answered, and may be answered from any thread through a promise of its own.
    using LockHandler = std::function<FileLockResolution(const FileLockInfo&)>;

    Event<InstallEngine, InstallProgress> Progress;
    Event<InstallEngine, std::wstring> Log;
    // None: a locked file fails the installation at once.
    LockHandler FileLockHandler;

    // Windows builds only: runs Install on the thread pool. The engine must outlive the future.
    std::future<InstallRecord> InstallAsync(InstallOptions options, CancellationToken token = {});
    // Windows builds only: the whole installation, blocking; cancellation is tested before every
    // file and every piece written of one. The payload's blocks are decoded ahead on the other
    // cores while a file is written; those threads are gone when this returns or throws.
    InstallRecord Install(const InstallOptions& options, CancellationToken token = {});

    // The entries of the selected components (and of no or required components), in source order;
    // they point into the source's list and live as long as the source.
    static std::vector<const PayloadEntry*> SelectEntries(const PayloadSource& source, const InstallManifest& manifest,
                                                          const std::vector<std::wstring>& selectedIds);
    static bool IsSameOrUnder(std::wstring_view path, std::wstring_view prefix) noexcept;
    static std::wstring FormatSize(std::int64_t bytes);

    // Windows builds only: the manifest's main executable under the install directory, else the
    // first "*.exe" directly in it other than "uninstall.exe".
    static std::optional<std::wstring> ResolveMainExecutable(const InstallManifest& manifest,
                                                             const std::wstring& installDir);
    // Windows builds only: the manifest's icon when that file exists, else the main executable.
    static std::optional<std::wstring> ResolveIcon(const InstallManifest& manifest, const std::wstring& installDir);

    // InstallFailedException with the system's message when the manifest's product id cannot name
    // the product's uninstall entry and log file: blank, not one file name of its own, or longer
    // than InstallRules::MaxProductIdLength.
    static void ThrowIfProductIdUnusable(const InstallManifest& manifest);

    // Sharing or lock violation, or access denied.
    static bool IsLockViolation(const std::exception_ptr& failure);
    static std::wstring DescribeLockedFile(std::wstring_view path, const std::exception_ptr& failure);

    void Report(double fraction, std::wstring status, std::optional<std::wstring> detail = std::nullopt);
    void WriteLog(const std::wstring& line);

private:
    class Run;
};

}  // namespace Ravenquill::Core
