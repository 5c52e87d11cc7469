// The native build installs nothing on its machine: its tests drive the engine through stand-ins.
#include "core/common/errors.h"
#include "install_system.h"

namespace Ravenquill::Core {
namespace {

[[noreturn]] void Unsupported() { throw NotSupportedException(L"Установка программ возможна только в Windows."); }

class NoMachine final : public InstallSystem {
public:
    std::unique_ptr<PayloadSource> OpenPayload() override { return nullptr; }
    std::wstring ExecutablePath() override { return {}; }
    bool FileExists(const std::wstring&) override { return false; }
    bool DirectoryExists(const std::wstring&) override { return false; }
    std::vector<std::wstring> CreateDirectories(const std::wstring&) override { Unsupported(); }
    std::vector<std::wstring> ListFiles(const std::wstring&, const std::wstring&) override { return {}; }
    std::unique_ptr<InstallFile> CreateNewFile(const std::wstring&) override { Unsupported(); }
    std::unique_ptr<InstallFile> ReplaceFile(const std::wstring&) override { Unsupported(); }
    std::unique_ptr<ReadStream> OpenForRead(const std::wstring&) override { Unsupported(); }
    void ThrowIfInUse(const std::wstring&) override { Unsupported(); }
    void SetNormalAttributes(const std::wstring&) override { Unsupported(); }
    void MoveFile(const std::wstring&, const std::wstring&) override { Unsupported(); }
    void CopyFile(const std::wstring&, const std::wstring&) override { Unsupported(); }
    void DeleteFileIfExists(const std::wstring&) override { Unsupported(); }
    void DeleteDirectoryIfEmpty(const std::wstring&) override { Unsupported(); }
    void DeleteTree(const std::wstring&) override { Unsupported(); }
    std::optional<std::wstring> KnownFolderPath(FileSystem::KnownFolder) override { return std::nullopt; }
    std::optional<InstallRecord> LoadRecord(const std::wstring&) override { return std::nullopt; }
    void SaveRecord(const InstallRecord&, const std::wstring&) override { Unsupported(); }
    void CreateShortcut(const std::wstring&, const std::wstring&, const std::wstring&, const std::wstring&,
                        const std::optional<std::wstring>&, const std::optional<std::wstring>&) override {
        Unsupported();
    }
    bool AddPathEntry(const std::wstring&, bool) override { Unsupported(); }
    void RemovePathEntry(const std::wstring&, bool) override { Unsupported(); }
    std::optional<UninstallEntryBackup::Values> ReadUninstallEntry(const std::wstring&, bool) override {
        return std::nullopt;
    }
    void RestoreUninstallEntry(const std::wstring&, bool, const UninstallEntryBackup::Values&) override {
        Unsupported();
    }
    void WriteUninstallEntry(const InstallRecord&, const std::wstring&, std::int64_t,
                             const std::optional<std::wstring>&, const std::optional<std::wstring>&) override {
        Unsupported();
    }
    void DeleteUninstallEntry(const std::wstring&, bool) override { Unsupported(); }
    std::vector<LockingProcess> FindLockingProcesses(const std::wstring&) override { return {}; }
    void Wait(std::chrono::nanoseconds duration, const CancellationToken& token) override { Delay(duration, token); }
};

}  // namespace

std::shared_ptr<InstallSystem> MachineInstallSystem() {
    static const auto machine = std::make_shared<NoMachine>();
    return machine;
}

}  // namespace Ravenquill::Core
