#include "uninstall_engine.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "core/common/async.h"
#include "core/common/best_effort.h"
#include "core/common/errors.h"
#include "core/common/host.h"
#include "core/common/path.h"
#include "core/common/text.h"
#include "core/engine/platform/uninstall_registry.h"
#include "install_rules.h"
#include "uninstall_rules.h"

namespace Ravenquill::Core {
namespace {

constexpr wchar_t OutsideInstallDir[] = L"Путь ведёт за пределы каталога установки.";
constexpr wchar_t ThroughLink[] = L"Путь проходит через ссылку на другую папку.";
constexpr wchar_t NotAShortcut[] = L"Путь не является полным путём к файлу ярлыка (.lnk).";
constexpr wchar_t NotAFullPath[] = L"Путь не является полным путём.";
constexpr wchar_t NoProductId[] = L"Идентификатор продукта в записи об установке недопустим.";
constexpr wchar_t NotAFolderName[] = L"Название продукта не может служить именем папки.";
constexpr wchar_t BadInstallDir[] = L"Запись об установке повреждена: каталог установки не указан полным путём.";
constexpr wchar_t EntryOfAnotherFolder[] =
    L"Запись в списке установленных программ относится к установке в другом каталоге.";
constexpr wchar_t NoRightsForEntry[] =
    L"Недостаточно прав, чтобы удалить программу из списка установленных. Запустите удаление от имени "
    L"администратора.";
constexpr wchar_t NoRightsForRecord[] =
    L"Недостаточно прав, чтобы удалить служебные данные установки. Запустите удаление от имени администратора.";

// The file of the running program, in full form, so a recorded path can be compared with it.
std::wstring RunningExecutable() {
    const std::wstring path = Host().ExecutablePath();
    return path.empty() ? path : Path::GetFullPath(path);
}

// Whether a recorded or registered path names the folder given in full form: by its spelling, else
// as the system resolves it (a short name, a link to it). Empty for a path that is blank, not full
// or that the system cannot resolve: it names no folder to compare with.
std::optional<bool> NamesFolder(const std::wstring& path, const std::wstring& fullFolder, UninstallSystem& system) {
    if (Text::IsNullOrWhiteSpace(path) || !UninstallRules::IsFullyQualified(path)) return std::nullopt;
    try {
        if (UninstallRules::NamesSameDirectory(Path::GetFullPath(path), fullFolder)) return true;
    } catch (const ArgumentException&) {
        return std::nullopt;
    }
    return system.IsSameDirectory(path, fullFolder);
}

// A record lies in the folder it describes. One found in another folder (a copied or moved
// installation, a stale or hand-made record) names a directory that may hold another installation
// or anything at all; it is taken as the record of the folder it was found in, so that the removal
// never reaches beyond that folder. A record without a usable directory stays as it is and fails
// its run.
void AnchorToFoundFolder(InstallRecord& record, const std::wstring& foundDir, UninstallSystem& system) {
    std::wstring found;
    try {
        found = Path::TrimEndingSeparators(Path::GetFullPath(foundDir));
    } catch (const ArgumentException&) {
        return;
    }
    // This folder's record stays as it is, and so does one whose directory cannot be compared: it fails its run.
    if (NamesFolder(record.InstallDir, found, system).value_or(true)) return;
    record.InstallDir = std::move(found);
}

// Only a missing record means that nothing is installed there. One that is there but cannot be
// read (held open by another program, access denied, any other refusal) fails the search: taken
// for no installation, the uninstall would report success and remove nothing.
std::optional<InstallRecord> ReadRecordOf(const std::wstring& candidate) {
    // The platform's message names the file.
    const auto message = [](const Exception& e) {
        return L"Не удалось прочитать сведения об установке, поэтому ничего не удалено: " + e.Message();
    };
    try {
        return InstallRecord::Read(candidate);
    } catch (const IOException& e) {
        throw IOException(message(e), e.ErrorCode());
    } catch (const UnauthorizedAccessException& e) {
        throw UnauthorizedAccessException(message(e));
    }
}

}  // namespace

// One pass over one record; holds what the steps share.
class UninstallEngine::Run {
public:
    Run(UninstallEngine& engine, const InstallRecord& record, CancellationToken token)
        : engine_(engine), system_(*engine.system_), record_(record), token_(std::move(token)) {}

    void Execute(bool keepUserData);

private:
    bool ScopeOfThisInstallation();
    // Empty when the hive has no entry, or one whose location cannot be compared with this folder.
    std::optional<bool> EntryNamesThisFolder(bool machine);
    void RemoveShortcuts();
    void RemoveStartMenuFolder();
    void RemoveFiles();
    void RemoveDirectories();
    void RemovePathEntry();
    void RemoveUninstallEntry();
    void RemoveRecordFolder();
    void RemoveUserData();

    // Runs one removal step: a failure a best-effort step absorbs is logged as a skipped step and
    // answers false; anything else ends the run.
    template <class Action>
    bool RunOrSkip(Action&& action, const std::wstring& label) {
        return TryBestEffort(action, IsBestEffortFailure,
                             [&](const std::exception& failure) { Skip(label, MessageOf(failure)); });
    }

    // As RunOrSkip, but lack of access ends the run with the message: a per-machine installation whose
    // entry or record stayed is not removed, and must not be reported as if it were.
    template <class Action>
    void RunNeedingRights(Action&& action, const std::wstring& label, const wchar_t* noRights) {
        TryBestEffort(action, IsBestEffortFailure, [&](const std::exception& failure) {
            const bool accessDenied = dynamic_cast<const UnauthorizedAccessException*>(&failure) != nullptr;
            if (accessDenied && perMachine_)
                throw UnauthorizedAccessException(std::wstring(noRights) + L" " + MessageOf(failure));
            Skip(label, MessageOf(failure));
        });
    }

    // A recorded file that is not there is gone, also when its folder went with it: nothing to
    // report. (A shortcut in a missing folder is reported, as deleting it would fail.)
    void DeleteRecordedFile(const std::wstring& path) {
        try {
            system_.DeleteFileIfExists(path);
        } catch (const DirectoryNotFoundException&) {
        }
    }

    void Skip(const std::wstring& label, const std::wstring& message) {
        engine_.WriteLog(L"Пропущено (" + label + L"): " + message);
    }

    // True when a folder between the install directory and the path is a junction or a link, so
    // the path names something outside the installation.
    bool PassesThroughLink(const std::wstring& fullPath);

    UninstallEngine& engine_;
    UninstallSystem& system_;
    const InstallRecord& record_;
    CancellationToken token_;
    std::wstring installDir_;
    // The scope whose entry and PATH this run removes: the hive that lists this folder.
    bool perMachine_ = false;
    // The entry of that scope lists another folder: it is the entry of the installation there.
    bool entryOfAnotherFolder_ = false;
    std::unordered_map<std::wstring, bool> linkedFolders_;
};

void UninstallEngine::Run::Execute(bool keepUserData) {
    const auto started = std::chrono::steady_clock::now();
    engine_.WriteLog(L"Удаление «" + record_.ProductName + L"» " + record_.Version);
    // Every later step joins recorded paths to this directory: without a full one they would land
    // wherever the current directory happens to be.
    if (Text::IsNullOrWhiteSpace(record_.InstallDir) || !UninstallRules::IsFullyQualified(record_.InstallDir)) {
        throw InvalidDataException(BadInstallDir);
    }
    installDir_ = std::wstring(Path::TrimEndingSeparators(Path::GetFullPath(record_.InstallDir)));
    perMachine_ = ScopeOfThisInstallation();
    engine_.Report(0.02, L"Подготовка", record_.InstallDir);

    engine_.Report(0.10, L"Удаление ярлыков");
    RemoveShortcuts();
    RemoveStartMenuFolder();

    engine_.Report(0.20, L"Удаление файлов");
    RemoveFiles();

    engine_.Report(0.80, L"Очистка каталогов");
    RemoveDirectories();
    RemovePathEntry();

    engine_.Report(0.90, L"Удаление записи в системе");
    RemoveUninstallEntry();
    RemoveRecordFolder();
    if (!keepUserData) RemoveUserData();

    const auto remaining = MinimumDuration - (std::chrono::steady_clock::now() - started);
    if (remaining >= std::chrono::nanoseconds(100)) {
        system_.Wait(std::chrono::duration_cast<std::chrono::nanoseconds>(remaining), token_);
    }
    engine_.Report(1.0, L"Готово");
    engine_.WriteLog(L"Удаление завершено");
}

void UninstallEngine::Run::RemoveShortcuts() {
    for (const std::wstring& shortcut : record_.Shortcuts) {
        ThrowIfCancellationRequested(token_);
        const std::wstring label = L"ярлык " + std::wstring(Path::GetFileName(shortcut));
        if (!UninstallRules::IsShortcutPath(shortcut)) {
            Skip(label, NotAShortcut);
            continue;
        }
        RunOrSkip([&] { system_.DeleteFileIfExists(shortcut); }, label);
    }
}

void UninstallEngine::Run::RemoveStartMenuFolder() {
    if (!record_.StartMenuDirectory || record_.StartMenuDirectory->empty()) return;
    const std::wstring& folder = *record_.StartMenuDirectory;
    const std::wstring label = L"папка меню «Пуск»";
    if (!UninstallRules::IsFullyQualified(folder)) {
        Skip(label, NotAFullPath);
        return;
    }
    RunOrSkip([&] { system_.DeleteDirectoryIfEmpty(folder); }, label);
}

void UninstallEngine::Run::RemoveFiles() {
    const std::wstring running = RunningExecutable();
    const std::size_t total = std::max<std::size_t>(record_.Files.size(), 1);
    std::size_t done = 0;
    for (const std::wstring& relative : record_.Files) {
        ThrowIfCancellationRequested(token_);
        const std::optional<std::wstring> full = UninstallRules::ResolveInside(installDir_, relative);
        if (!full) {
            Skip(relative, OutsideInstallDir);
        } else if (Text::EqualsIgnoreCase(*full, running)) {
            // The running uninstaller stays; the silent run's self-deletion takes it afterwards.
        } else if (PassesThroughLink(*full)) {
            Skip(relative, ThroughLink);
        } else {
            RunOrSkip([&] { DeleteRecordedFile(*full); }, relative);
        }
        ++done;
        if (done % 16 == 0 || done == total) {
            engine_.Report(0.2 + 0.55 * static_cast<double>(done) / static_cast<double>(total), L"Удаление файлов",
                           relative);
        }
    }
}

void UninstallEngine::Run::RemoveDirectories() {
    // Longest first, so a folder comes after the folders recorded inside it.
    for (const std::wstring& relative : InstallRules::RemovalOrder(record_.Directories)) {
        const std::optional<std::wstring> full = UninstallRules::ResolveInside(installDir_, relative);
        if (!full) {
            Skip(relative, OutsideInstallDir);
        } else if (PassesThroughLink(*full)) {
            Skip(relative, ThroughLink);
        } else {
            RunOrSkip([&] { system_.DeleteDirectoryIfEmpty(*full); }, relative);
        }
    }
}

// The record is a file in the installation's own folder, which its user can edit: a per-user
// installation whose record claims the machine's scope would otherwise remove the machine's entry of
// the product and the folder from the machine's PATH. The hive whose entry names this folder is the
// installation's scope; the record decides only where no entry names it.
bool UninstallEngine::Run::ScopeOfThisInstallation() {
    if (!UninstallRegistry::IsEntryName(record_.ProductId)) return record_.PerMachine;
    const std::optional<bool> recorded = EntryNamesThisFolder(record_.PerMachine);
    if (recorded == true) return record_.PerMachine;
    if (EntryNamesThisFolder(!record_.PerMachine) == true) return !record_.PerMachine;
    // Removing a copied or stale folder must not unlist the real installation elsewhere.
    entryOfAnotherFolder_ = recorded == false;
    return record_.PerMachine;
}

std::optional<bool> UninstallEngine::Run::EntryNamesThisFolder(bool machine) {
    const std::optional<std::wstring> location = system_.InstalledLocationIn(record_.ProductId, machine);
    if (!location) return std::nullopt;
    return NamesFolder(*location, installDir_, system_);
}

void UninstallEngine::Run::RemovePathEntry() {
    if (!record_.PathEntryAdded) return;
    if (RunOrSkip([&] { system_.RemovePathEntry(record_.InstallDir, perMachine_); }, L"запись в PATH")) {
        engine_.WriteLog(L"Каталог удалён из PATH");
    }
}

void UninstallEngine::Run::RemoveUninstallEntry() {
    const std::wstring label = L"ключ реестра";
    // A blank id, or one that reaches into another key, would name the entries of other programs.
    if (!UninstallRegistry::IsEntryName(record_.ProductId)) {
        Skip(label, NoProductId);
        return;
    }
    if (entryOfAnotherFolder_) {
        Skip(label, EntryOfAnotherFolder);
        return;
    }
    RunNeedingRights([&] { system_.DeleteUninstallEntry(record_.ProductId, perMachine_); }, label, NoRightsForEntry);
    // The removal is silent about a key it could not open for writing; without the rights to remove
    // a per-machine entry it is still listed, and the run has not done its work.
    if (perMachine_ && system_.UninstallEntryExists(record_.ProductId, true)) {
        throw UnauthorizedAccessException(NoRightsForEntry);
    }
}

void UninstallEngine::Run::RemoveRecordFolder() {
    const std::wstring folder = Path::Combine(installDir_, L".ravenquill");
    const std::wstring label = L"служебные данные";
    if (!system_.DirectoryExists(folder)) return;
    if (system_.IsLinkedDirectory(folder)) {
        Skip(label, ThroughLink);
        return;
    }
    RunNeedingRights([&] { system_.DeleteTree(folder); }, label, NoRightsForRecord);
}

void UninstallEngine::Run::RemoveUserData() {
    const std::wstring label = L"пользовательские данные";
    if (!UninstallRules::IsUserDataFolderName(record_.ProductName)) {
        Skip(label, NotAFolderName);
        return;
    }
    const std::optional<std::wstring> roaming = system_.RoamingAppData();
    if (!roaming || roaming->empty()) return;
    const std::wstring folder = Path::Combine(*roaming, record_.ProductName);
    if (!system_.DirectoryExists(folder)) return;
    if (system_.IsLinkedDirectory(folder)) {
        Skip(label, ThroughLink);
        return;
    }
    RunOrSkip([&] { system_.DeleteTree(folder); }, label);
}

bool UninstallEngine::Run::PassesThroughLink(const std::wstring& fullPath) {
    for (const std::wstring& folder : UninstallRules::FoldersBetween(installDir_, fullPath)) {
        auto [known, inserted] = linkedFolders_.try_emplace(folder, false);
        if (inserted) known->second = system_.IsLinkedDirectory(folder);
        if (known->second) return true;
    }
    return false;
}

UninstallEngine::UninstallEngine() : UninstallEngine(MachineUninstallSystem()) {}

UninstallEngine::UninstallEngine(std::shared_ptr<UninstallSystem> system) : system_(std::move(system)) {}

std::optional<FoundInstallation> UninstallEngine::FindInstallation(const InstallManifest& manifest,
                                                                   const std::optional<std::wstring>& explicitDir) {
    return FindInstallation(manifest, explicitDir, *MachineUninstallSystem());
}

std::optional<FoundInstallation> UninstallEngine::FindInstallation(const InstallManifest& manifest,
                                                                   const std::optional<std::wstring>& explicitDir,
                                                                   UninstallSystem& system) {
    std::optional<std::wstring> registered;
    // An id that cannot name an entry of its own has none to look up.
    if (UninstallRegistry::IsEntryName(manifest.ProductId))
        registered = system.FindInstalledLocation(manifest.ProductId);
    for (const std::wstring& candidate :
         UninstallRules::InstallationCandidates(explicitDir, ExecutableDirectory(), registered)) {
        if (std::optional<InstallRecord> record = ReadRecordOf(candidate)) {
            AnchorToFoundFolder(*record, candidate, system);
            return FoundInstallation{std::move(*record), candidate};
        }
    }
    return std::nullopt;
}

std::future<void> UninstallEngine::UninstallAsync(InstallRecord record, bool keepUserData, CancellationToken token) {
    return RunAsync([this, record = std::move(record), keepUserData, token = std::move(token)] {
        Uninstall(record, keepUserData, token);
    });
}

void UninstallEngine::Uninstall(const InstallRecord& record, bool keepUserData, CancellationToken token) {
    Run(*this, record, std::move(token)).Execute(keepUserData);
}

void UninstallEngine::ScheduleSelfDelete(const FoundInstallation& found) {
    ScheduleSelfDelete(found.InstallDir, found.Record.ParentDirectories);
}

}  // namespace Ravenquill::Core
