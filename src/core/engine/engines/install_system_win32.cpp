// The machine under the install engine.
#include <utility>

#include "core/common/host.h"
#include "core/engine/platform/file_lock_service.h"
#include "core/engine/platform/path_variable.h"
#include "core/engine/platform/shortcut.h"
#include "core/engine/platform/uninstall_registry.h"
#include "install_system.h"

namespace Ravenquill::Core {
namespace {

class MachineFile final : public InstallFile {
public:
    explicit MachineFile(FileSystem::FileWriter writer) : writer_(std::move(writer)) {}
    void Write(std::span<const std::byte> bytes) override { writer_.Write(bytes); }
    void Close() override { writer_.Close(); }

private:
    FileSystem::FileWriter writer_;
};

class MachineSystem final : public InstallSystem {
public:
    std::unique_ptr<PayloadSource> OpenPayload() override { return PayloadSource::Open(); }
    std::wstring ExecutablePath() override { return Host().ExecutablePath(); }

    bool FileExists(const std::wstring& path) override { return FileSystem::FileExists(path); }
    bool DirectoryExists(const std::wstring& path) override { return FileSystem::DirectoryExists(path); }
    std::vector<std::wstring> CreateDirectories(const std::wstring& path) override {
        return FileSystem::CreateDirectories(path);
    }
    std::vector<std::wstring> ListFiles(const std::wstring& directory, const std::wstring& pattern) override {
        return FileSystem::ListFiles(directory, pattern);
    }
    std::unique_ptr<InstallFile> CreateNewFile(const std::wstring& path) override {
        std::optional<FileSystem::FileWriter> writer = FileSystem::FileWriter::CreateNew(path);
        if (!writer) return nullptr;
        return std::make_unique<MachineFile>(std::move(*writer));
    }
    std::unique_ptr<InstallFile> ReplaceFile(const std::wstring& path) override {
        return std::make_unique<MachineFile>(FileSystem::FileWriter(path));
    }
    std::unique_ptr<ReadStream> OpenForRead(const std::wstring& path) override { return OpenFileForRead(path); }
    void ThrowIfInUse(const std::wstring& path) override { FileSystem::ThrowIfInUse(path); }
    void SetNormalAttributes(const std::wstring& path) override { FileSystem::SetNormalAttributes(path); }
    void MoveFile(const std::wstring& from, const std::wstring& to) override { FileSystem::MoveFileTo(from, to); }
    void CopyFile(const std::wstring& from, const std::wstring& to) override { FileSystem::CopyFileTo(from, to); }
    void DeleteFileIfExists(const std::wstring& path) override { FileSystem::DeleteFileIfExists(path); }
    void DeleteDirectoryIfEmpty(const std::wstring& path) override { FileSystem::DeleteDirectoryIfEmpty(path); }
    void DeleteTree(const std::wstring& path) override { FileSystem::DeleteTree(path); }
    std::optional<std::wstring> KnownFolderPath(FileSystem::KnownFolder folder) override {
        return FileSystem::KnownFolderPath(folder);
    }

    std::optional<InstallRecord> LoadRecord(const std::wstring& installDir) override {
        return InstallRecord::Load(installDir);
    }
    void SaveRecord(const InstallRecord& record, const std::wstring& installDir) override {
        InstallRecord::Save(record, installDir);
    }

    void CreateShortcut(const std::wstring& linkPath, const std::wstring& target, const std::wstring& workingDir,
                        const std::wstring& description, const std::optional<std::wstring>& icon,
                        const std::optional<std::wstring>& arguments) override {
        Shortcut::Create(linkPath, target, workingDir, description, icon, arguments);
    }
    bool AddPathEntry(const std::wstring& dir, bool machine) override { return PathVariable::Add(dir, machine); }
    void RemovePathEntry(const std::wstring& dir, bool machine) override { PathVariable::Remove(dir, machine); }

    std::optional<UninstallEntryBackup::Values> ReadUninstallEntry(const std::wstring& productId,
                                                                   bool machine) override {
        return UninstallEntryBackup::Read(productId, machine);
    }
    void RestoreUninstallEntry(const std::wstring& productId, bool machine,
                               const UninstallEntryBackup::Values& values) override {
        UninstallEntryBackup::Restore(productId, machine, values);
    }
    void WriteUninstallEntry(const InstallRecord& record, const std::wstring& uninstaller, std::int64_t totalBytes,
                             const std::optional<std::wstring>& icon,
                             const std::optional<std::wstring>& website) override {
        UninstallRegistry::Write(record, uninstaller, totalBytes, icon, website);
    }
    void DeleteUninstallEntry(const std::wstring& productId, bool machine) override {
        UninstallRegistry::Delete(productId, machine);
    }

    std::vector<LockingProcess> FindLockingProcesses(const std::wstring& path) override {
        return FileLockService::FindLockingProcesses(path);
    }

    void Wait(std::chrono::nanoseconds duration, const CancellationToken& token) override { Delay(duration, token); }
};

}  // namespace

std::shared_ptr<InstallSystem> MachineInstallSystem() {
    static const auto machine = std::make_shared<MachineSystem>();
    return machine;
}

}  // namespace Ravenquill::Core
