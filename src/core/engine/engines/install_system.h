#pragma once
// What an installation asks of the machine: the payload and the running program, files and
// folders, the known folders, shell links, the PATH variable, the uninstall entry, the processes
// holding a file and the final wait. The run's rules and its journal sit on top of it; tests put
// an in-memory machine underneath. Failures are the exception kinds of core/common/errors.h
// (access denied as UnauthorizedAccessException, a failed shell-link call as an
// InvalidOperationException).
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/common/cancellation.h"
#include "core/common/file_system.h"
#include "core/common/read_stream.h"
#include "core/model/install_record.h"
#include "core/model/locking_process.h"
#include "core/payload/payload_source.h"
#include "install_entry_backup.h"

namespace Ravenquill::Core {

// A file being written: created or truncated, shared with nobody (FileSystem::FileWriter).
class InstallFile {
public:
    virtual ~InstallFile() = default;
    virtual void Write(std::span<const std::byte> bytes) = 0;
    // Flushes and closes; failures of closing are reported here. A second call does nothing.
    virtual void Close() = 0;
};

class InstallSystem {
public:
    virtual ~InstallSystem() = default;

    // The payload the installer carries or finds beside it (PayloadSource::Open); none when there
    // is none.
    virtual std::unique_ptr<PayloadSource> OpenPayload() = 0;
    // The running program's file; empty when it is unknown.
    virtual std::wstring ExecutablePath() = 0;

    virtual bool FileExists(const std::wstring& path) = 0;
    virtual bool DirectoryExists(const std::wstring& path) = 0;
    // Creates the directory and its missing parents; the directories made, outermost first.
    virtual std::vector<std::wstring> CreateDirectories(const std::wstring& path) = 0;
    // The names of the files directly in the folder that match the pattern ("*.exe").
    virtual std::vector<std::wstring> ListFiles(const std::wstring& directory, const std::wstring& pattern) = 0;
    // The file created only where no file or folder of that name is; none when one is.
    virtual std::unique_ptr<InstallFile> CreateNewFile(const std::wstring& path) = 0;
    // The file created, or an existing one truncated.
    virtual std::unique_ptr<InstallFile> ReplaceFile(const std::wstring& path) = 0;
    virtual std::unique_ptr<ReadStream> OpenForRead(const std::wstring& path) = 0;
    // Fails with the sharing violation while another program holds the file open.
    virtual void ThrowIfInUse(const std::wstring& path) = 0;
    virtual void SetNormalAttributes(const std::wstring& path) = 0;
    // Moves within one volume; fails when the target exists.
    virtual void MoveFile(const std::wstring& from, const std::wstring& to) = 0;
    // Copies a whole file, replacing the target.
    virtual void CopyFile(const std::wstring& from, const std::wstring& to) = 0;
    // Deletes the file; nothing when no file is there.
    virtual void DeleteFileIfExists(const std::wstring& path) = 0;
    // Removes the directory when it holds no entry at all.
    virtual void DeleteDirectoryIfEmpty(const std::wstring& path) = 0;
    // Removes the directory with everything in it.
    virtual void DeleteTree(const std::wstring& path) = 0;
    // The known folder's path; none when the system has none.
    virtual std::optional<std::wstring> KnownFolderPath(FileSystem::KnownFolder folder) = 0;

    // The record of the installation in the directory (InstallRecord::Load) and its saving.
    virtual std::optional<InstallRecord> LoadRecord(const std::wstring& installDir) = 0;
    virtual void SaveRecord(const InstallRecord& record, const std::wstring& installDir) = 0;

    // Shortcut::Create.
    virtual void CreateShortcut(const std::wstring& linkPath, const std::wstring& target,
                                const std::wstring& workingDir, const std::wstring& description,
                                const std::optional<std::wstring>& icon,
                                const std::optional<std::wstring>& arguments) = 0;
    // PathVariable::Add: true when the directory was appended, false when PATH held it already.
    virtual bool AddPathEntry(const std::wstring& dir, bool machine) = 0;
    virtual void RemovePathEntry(const std::wstring& dir, bool machine) = 0;

    // The product's uninstall entry as it is (UninstallEntryBackup::Read), put back as it was
    // (Restore), written for the installation (UninstallRegistry::Write) and deleted.
    virtual std::optional<UninstallEntryBackup::Values> ReadUninstallEntry(const std::wstring& productId,
                                                                           bool machine) = 0;
    virtual void RestoreUninstallEntry(const std::wstring& productId, bool machine,
                                       const UninstallEntryBackup::Values& values) = 0;
    virtual void WriteUninstallEntry(const InstallRecord& record, const std::wstring& uninstaller,
                                     std::int64_t totalBytes, const std::optional<std::wstring>& icon,
                                     const std::optional<std::wstring>& website) = 0;
    virtual void DeleteUninstallEntry(const std::wstring& productId, bool machine) = 0;

    // The processes holding the file (FileLockService::FindLockingProcesses).
    virtual std::vector<LockingProcess> FindLockingProcesses(const std::wstring& path) = 0;

    // Waits, ending with OperationCanceledException when the token is cancelled meanwhile.
    virtual void Wait(std::chrono::nanoseconds duration, const CancellationToken& token) = 0;
};

// The machine itself; natively one that refuses every change.
std::shared_ptr<InstallSystem> MachineInstallSystem();

}  // namespace Ravenquill::Core
