#include "core/common/errors.h"
#include "shell/shell_platform.h"

namespace Ravenquill::Shell {
namespace {

// The native build has no list of installed programs, no elevation, no picker and no shell: only
// the payload's sizes are real, so the wizard's state can be built and tested without a window.
class NativePlatform final : public ShellPlatform {
public:
    Core::PayloadSummary LoadPayload(const Core::InstallManifest& manifest) override {
        return Core::PayloadSummary::Load(manifest);
    }
    std::optional<Core::UninstallRegistry::InstalledEntry> FindInstalled(const std::wstring&) override {
        return std::nullopt;
    }
    bool RequiresElevation(const std::wstring&) override { throw Unsupported(); }
    bool RelaunchElevated(std::span<const std::wstring>) override { throw Unsupported(); }
    std::optional<std::wstring> PickFolder(const std::optional<std::wstring>&,
                                           const std::optional<std::wstring>&) override {
        throw Unsupported();
    }
    std::int64_t FreeBytesAvailable(const std::wstring&) override { throw Unsupported(); }
    void StartThroughShell(const std::wstring&, const std::optional<std::wstring>&,
                           const std::optional<std::wstring>&) override {
        throw Unsupported();
    }

private:
    static NotSupportedException Unsupported() {
        return NotSupportedException(L"The native build has no such platform service.");
    }
};

}  // namespace

std::shared_ptr<ShellPlatform> ShellPlatform::System() {
    static const std::shared_ptr<ShellPlatform> platform = std::make_shared<NativePlatform>();
    return platform;
}

}  // namespace Ravenquill::Shell
