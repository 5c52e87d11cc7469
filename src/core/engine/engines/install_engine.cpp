#include "install_engine.h"

#include <algorithm>
#include <utility>

#include "core/common/async.h"
#include "core/common/path.h"
#include "core/common/text.h"
#include "install_rules.h"
#include "install_run.h"

namespace Ravenquill::Core {

bool InstallEngine::IsSameOrUnder(std::wstring_view path, std::wstring_view prefix) noexcept {
    return InstallRules::IsSameOrUnder(path, prefix);
}

std::wstring InstallEngine::FormatSize(std::int64_t bytes) { return InstallRules::FormatSize(bytes); }

std::vector<const PayloadEntry*> InstallEngine::SelectEntries(const PayloadSource& source,
                                                              const InstallManifest& manifest,
                                                              const std::vector<std::wstring>& selectedIds) {
    const std::vector<ComponentDefinition>& components = manifest.Components;
    std::vector<const PayloadEntry*> selected;
    for (const PayloadEntry& entry : source.Entries()) {
        const std::optional<std::size_t> owner = InstallRules::OwnerOf(entry.RelativePath, components);
        const bool included =
            !owner || components[*owner].Required ||
            std::find(selectedIds.begin(), selectedIds.end(), components[*owner].Id) != selectedIds.end();
        if (included) selected.push_back(&entry);
    }
    return selected;
}

void InstallEngine::ThrowIfProductIdUnusable(const InstallManifest& manifest) {
    const std::wstring& id = manifest.ProductId;
    if (Text::IsNullOrWhiteSpace(id)) throw InstallFailedException(L"В манифесте не задан идентификатор продукта.");
    // The id names the product's key under "Uninstall" (a '\\' would reach into another key) and the
    // silent run's log file in the temporary folder (a '/' or a ".." step would put it elsewhere, and
    // a name too long for either is refused by the system only when the run is half done). The id
    // is quoted with its control characters escaped, so that the message stays one line in the log.
    if (!InstallRules::IsUsableProductId(id))
        throw InstallFailedException(L"Идентификатор продукта «" + Text::EscapeControls(id) +
                                     L"» не может служить именем файла: в нём недопустимы символы "
                                     L"\\ / : * ? \" < > | и управляющие символы, он не может быть «.» или «..», "
                                     L"оканчиваться точкой или пробелом и быть длиннее " +
                                     std::to_wstring(InstallRules::MaxProductIdLength) + L" знаков.");
}

bool InstallEngine::IsLockViolation(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const IOException& e) {
        // The code as the low word of its HRESULT form.
        const std::uint32_t code = e.ErrorCode() & 0xFFFF;
        return code == 32 || code == 33;
    } catch (const UnauthorizedAccessException&) {
        return true;
    } catch (...) {
        return false;
    }
}

std::wstring InstallEngine::DescribeLockedFile(std::wstring_view path, const std::exception_ptr& failure) {
    return L"Файл «" + std::wstring(Path::GetFileName(path)) + L"» занят другим приложением. " + MessageOf(failure);
}

InstallEngine::InstallEngine() : InstallEngine(MachineInstallSystem()) {}

InstallEngine::InstallEngine(std::shared_ptr<InstallSystem> system) : system_(std::move(system)) {}

std::future<InstallRecord> InstallEngine::InstallAsync(InstallOptions options, CancellationToken token) {
    return RunAsync([this, options = std::move(options), token = std::move(token)] { return Install(options, token); });
}

InstallRecord InstallEngine::Install(const InstallOptions& options, CancellationToken token) {
    if (!options.Manifest) throw ArgumentException(L"Не задан манифест установки.");
    return InstallRun(*this, *system_, options, std::move(token)).Execute();
}

std::optional<std::wstring> InstallEngine::ResolveMainExecutable(const InstallManifest& manifest,
                                                                 const std::wstring& installDir,
                                                                 InstallSystem& system) {
    if (manifest.MainExecutable && !Text::IsNullOrWhiteSpace(*manifest.MainExecutable))
        return Path::Combine(installDir, *manifest.MainExecutable);
    if (!system.DirectoryExists(installDir)) return std::nullopt;
    for (const std::wstring& name : system.ListFiles(installDir, L"*.exe")) {
        // The pattern also matches longer extensions such as ".exe1" through short names.
        if (!Text::EndsWithIgnoreCase(name, L".exe")) continue;
        if (!Text::EqualsIgnoreCase(name, L"uninstall.exe")) return Path::Combine(installDir, name);
    }
    return std::nullopt;
}

std::optional<std::wstring> InstallEngine::ResolveIcon(const InstallManifest& manifest, const std::wstring& installDir,
                                                       InstallSystem& system) {
    if (manifest.IconPath && !Text::IsNullOrWhiteSpace(*manifest.IconPath)) {
        const std::wstring icon = Path::Combine(installDir, *manifest.IconPath);
        if (system.FileExists(icon)) return icon;
    }
    return ResolveMainExecutable(manifest, installDir, system);
}

}  // namespace Ravenquill::Core
