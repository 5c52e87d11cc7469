// The native build has no installation to remove: its tests drive the engine through stand-ins.
#include "core/common/errors.h"
#include "uninstall_system.h"

namespace Ravenquill::Core {
namespace {

[[noreturn]] void Unsupported() { throw NotSupportedException(L"Удаление программ возможно только в Windows."); }

class NoMachine final : public UninstallSystem {
public:
    void DeleteFileIfExists(const std::wstring&) override { Unsupported(); }
    void DeleteDirectoryIfEmpty(const std::wstring&) override { Unsupported(); }
    void DeleteTree(const std::wstring&) override { Unsupported(); }
    bool DirectoryExists(const std::wstring&) override { return false; }
    bool IsLinkedDirectory(const std::wstring&) override { return false; }
    bool IsSameDirectory(const std::wstring&, const std::wstring&) override { return false; }
    void RemovePathEntry(const std::wstring&, bool) override { Unsupported(); }
    void DeleteUninstallEntry(const std::wstring&, bool) override { Unsupported(); }
    bool UninstallEntryExists(const std::wstring&, bool) override { return false; }
    std::optional<std::wstring> FindInstalledLocation(const std::wstring&) override { return std::nullopt; }
    std::optional<std::wstring> InstalledLocationIn(const std::wstring&, bool) override { return std::nullopt; }
    std::optional<std::wstring> RoamingAppData() override { return std::nullopt; }
    void Wait(std::chrono::nanoseconds duration, const CancellationToken& token) override { Delay(duration, token); }
};

}  // namespace

std::shared_ptr<UninstallSystem> MachineUninstallSystem() {
    static const auto machine = std::make_shared<NoMachine>();
    return machine;
}

}  // namespace Ravenquill::Core
