#include <windows.h>

#include <optional>
#include <tuple>

#include "core/common/file_system.h"
#include "core/common/long_path.h"
#include "core/common/unique_handle.h"
#include "core/common/win32_error.h"
#include "core/engine/platform/path_variable.h"
#include "core/engine/platform/uninstall_registry.h"
#include "uninstall_system.h"

namespace Ravenquill::Core {
namespace {

// The volume and file index of an existing folder: the same for every spelling of its path.
std::optional<std::tuple<DWORD, DWORD, DWORD>> FolderIdentity(const std::wstring& path) {
    UniqueFileHandle folder(CreateFileW(LongPath(path).c_str(), 0,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(folder.get(), &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return std::nullopt;
    }
    return std::tuple{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

class MachineSystem final : public UninstallSystem {
public:
    void DeleteFileIfExists(const std::wstring& path) override { FileSystem::DeleteFileIfExists(path); }
    void DeleteDirectoryIfEmpty(const std::wstring& path) override { FileSystem::DeleteDirectoryIfEmpty(path); }
    void DeleteTree(const std::wstring& path) override { FileSystem::DeleteTree(path); }
    bool DirectoryExists(const std::wstring& path) override { return FileSystem::DirectoryExists(path); }
    bool IsLinkedDirectory(const std::wstring& path) override { return FileSystem::IsLinkedDirectory(path); }

    bool IsSameDirectory(const std::wstring& a, const std::wstring& b) override {
        const auto first = FolderIdentity(a);
        return first && first == FolderIdentity(b);
    }

    void RemovePathEntry(const std::wstring& dir, bool machine) override { PathVariable::Remove(dir, machine); }

    void DeleteUninstallEntry(const std::wstring& productId, bool machine) override {
        UninstallRegistry::Delete(productId, machine);
    }

    bool UninstallEntryExists(const std::wstring& productId, bool machine) override {
        const std::wstring path = UninstallRegistry::EntryKeyPath(productId);
        UniqueHKey key;
        const LSTATUS status = RegOpenKeyExW(machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, path.c_str(), 0,
                                             KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.put());
        return status != ERROR_FILE_NOT_FOUND;
    }

    std::optional<std::wstring> FindInstalledLocation(const std::wstring& productId) override {
        if (auto entry = UninstallRegistry::FindInstalled(productId)) return entry->InstallLocation;
        return std::nullopt;
    }

    std::optional<std::wstring> InstalledLocationIn(const std::wstring& productId, bool machine) override {
        if (auto entry = UninstallRegistry::FindInHive(productId, machine)) return entry->InstallLocation;
        return std::nullopt;
    }

    std::optional<std::wstring> RoamingAppData() override {
        return FileSystem::KnownFolderPath(FileSystem::KnownFolder::RoamingAppData);
    }

    void Wait(std::chrono::nanoseconds duration, const CancellationToken& token) override { Delay(duration, token); }
};

}  // namespace

std::shared_ptr<UninstallSystem> MachineUninstallSystem() {
    static const auto machine = std::make_shared<MachineSystem>();
    return machine;
}

}  // namespace Ravenquill::Core
