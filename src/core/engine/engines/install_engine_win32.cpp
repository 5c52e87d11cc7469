#include <algorithm>

#include "core/common/async.h"
#include "core/common/file_system.h"
#include "core/common/path.h"
#include "core/common/text.h"
#include "install_engine.h"
#include "install_run.h"

namespace Ravenquill::Core {

std::future<InstallRecord> InstallEngine::InstallAsync(InstallOptions options, CancellationToken token) {
    return RunAsync([this, options = std::move(options), token = std::move(token)] { return Install(options, token); });
}

InstallRecord InstallEngine::Install(const InstallOptions& options, CancellationToken token) {
    if (!options.Manifest) throw ArgumentException(L"Не задан манифест установки.");
    return Run(*this, options, std::move(token)).Execute();
}

std::optional<std::wstring> InstallEngine::ResolveMainExecutable(const InstallManifest& manifest,
                                                                 const std::wstring& installDir) {
    if (manifest.MainExecutable && !Text::IsNullOrWhiteSpace(*manifest.MainExecutable))
        return Path::Combine(installDir, *manifest.MainExecutable);
    if (!FileSystem::DirectoryExists(installDir)) return std::nullopt;
    for (const std::wstring& name : FileSystem::ListFiles(installDir, L"*.exe")) {
        // The pattern also matches longer extensions such as ".exe1" through short names.
        if (!Text::EndsWithIgnoreCase(name, L".exe")) continue;
        if (!Text::EqualsIgnoreCase(name, L"uninstall.exe")) return Path::Combine(installDir, name);
    }
    return std::nullopt;
}

std::optional<std::wstring> InstallEngine::ResolveIcon(const InstallManifest& manifest,
                                                       const std::wstring& installDir) {
    if (manifest.IconPath && !Text::IsNullOrWhiteSpace(*manifest.IconPath)) {
        const std::wstring icon = Path::Combine(installDir, *manifest.IconPath);
        if (FileSystem::FileExists(icon)) return icon;
    }
    return ResolveMainExecutable(manifest, installDir);
}

}  // namespace Ravenquill::Core
