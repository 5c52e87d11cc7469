#pragma once
// The state of one installation run and its steps (Windows builds). Everything the run changes is
// journalled here so that a failure or cancellation can put the machine back as it was.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "install_engine.h"

namespace Ravenquill::Core {

class InstallEngine::Run {
public:
    Run(InstallEngine& engine, const InstallOptions& options, CancellationToken token);
    InstallRecord Execute();

private:
    // A file moved out of the way before this run put its own there.
    struct MovedAside {
        std::wstring Original;
        std::wstring Aside;
        // The earlier uninstaller stays as "uninstall.exe.old" after a successful run.
        bool KeepOnSuccess = false;
    };

    void InstallEntries(const std::vector<const PayloadEntry*>& entries);
    void EnsureDirectory(const std::wstring& directory);
    void WriteEntry(const PayloadEntry& entry, const std::wstring& target);
    void CopyEntry(const PayloadEntry& entry, const std::wstring& target);
    std::wstring DeployUninstaller();
    void CopyUninstaller(const std::wstring& source, const std::wstring& uninstaller);
    void CopySideManifest();
    void CreateShortcuts(const std::wstring& uninstaller);
    void CreateShortcut(const std::wstring& linkPath, const std::wstring& target,
                        const std::optional<std::wstring>& icon, const std::optional<std::wstring>& arguments);
    void AddToPath();
    void SaveRecord();
    void WriteUninstallEntry(const std::wstring& uninstaller);
    void WaitForMinimumDuration();

    void MoveAside(const std::wstring& path);
    void MoveAsideAs(const std::wstring& path, const std::wstring& aside, bool keepOnSuccess);
    void ListFile(const std::wstring& relative);
    // complete: everything the run did; otherwise only the earlier installation's files go back.
    void Rollback(bool complete);
    void DiscardMovedAside();

    InstallEngine& engine_;
    const InstallOptions& options_;
    const InstallManifest& manifest_;
    CancellationToken token_;
    InstallRecord record_;
    std::wstring installDir_;
    std::int64_t total_ = 1;
    std::wstring asideSuffix_;

    // Full paths of the files this run wrote (the running uninstaller, kept in place, is not one).
    std::vector<std::wstring> written_;
    std::vector<MovedAside> movedAside_;
    // Folders made on the way to the install directory, the install directory included.
    std::vector<std::wstring> madeAbove_;
    bool recordFolderExisted_ = false;
    std::optional<std::vector<std::byte>> earlierRecordBytes_;
    std::optional<InstallRecord> earlierRecord_;
    bool recordSaved_ = false;
    bool registryExisted_ = false;
    bool registryWritten_ = false;
    std::optional<std::wstring> uninstallerPath_;
};

}  // namespace Ravenquill::Core
