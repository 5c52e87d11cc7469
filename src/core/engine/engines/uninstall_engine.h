#pragma once
// Removes one installation, driven by its record: shortcuts, files, empty folders, the PATH entry,
// the uninstall entry, the record folder and the user's data. Best effort: a step that fails for an
// input/output reason or for lack of access is logged as skipped and the run goes on. Nothing the
// record names outside the install directory is touched, and no removal passes through a link.
#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/common/cancellation.h"
#include "core/model/install_manifest.h"
#include "core/model/install_progress.h"
#include "core/model/install_record.h"
#include "engine_reports.h"
#include "uninstall_system.h"

namespace Ravenquill::Core {

struct FoundInstallation {
    InstallRecord Record;
    // The directory the record was loaded from, as the candidate list spelled it.
    std::wstring InstallDir;
};

class UninstallEngine : public EngineReports<UninstallEngine> {
public:
    // Every completed run lasts at least this long, so the progress page can be read.
    static constexpr std::chrono::milliseconds MinimumDuration{1200};

    UninstallEngine();
    explicit UninstallEngine(std::shared_ptr<UninstallSystem> system);

    // The explicit directory, the executable's folder, then the registered install location; the
    // first whose record loads wins, and a record file that is there but cannot be read fails the
    // search with a message that says so (an input/output failure, or access denied, as the
    // platform's was). A record whose install directory names another folder than the one it was
    // found in (a copied or moved installation, a hand-made record) comes back with the found
    // folder, in full form, as its install directory, so that the removal stays inside the folder
    // that holds the record.
    static std::optional<FoundInstallation> FindInstallation(const InstallManifest& manifest,
                                                             const std::optional<std::wstring>& explicitDir);
    static std::optional<FoundInstallation> FindInstallation(const InstallManifest& manifest,
                                                             const std::optional<std::wstring>& explicitDir,
                                                             UninstallSystem& system);

    // Runs Uninstall on the thread pool. The engine must outlive the future.
    std::future<void> UninstallAsync(InstallRecord record, bool keepUserData, CancellationToken token = {});
    // Blocking; cancellation is tested before every shortcut and file and during the final wait. A
    // record whose install directory is empty or not a full path fails with InvalidDataException
    // before anything is removed.
    void Uninstall(const InstallRecord& record, bool keepUserData, CancellationToken token = {});

    // Starts a hidden command processor that waits two seconds, deletes "uninstall.exe" in the
    // directory and removes the directory when it is then empty; after it, each folder of the
    // record's parent directories that contains the directory, innermost first and only when it
    // is then empty. Nothing in the native build.
    static void ScheduleSelfDelete(const std::wstring& dir, const std::vector<std::wstring>& recordedParents = {});
    // The same for a found installation: the folder it was found in, and the folders its
    // installation made above it.
    static void ScheduleSelfDelete(const FoundInstallation& found);

private:
    class Run;

    std::shared_ptr<UninstallSystem> system_;
};

}  // namespace Ravenquill::Core
