#include "install_run.h"

#include <algorithm>
#include <array>
#include <limits>
#include <random>

#include "core/common/best_effort.h"
#include "core/common/path.h"
#include "core/common/text.h"
#include "core/engine/platform/path_variable.h"
#include "install_rules.h"

namespace Ravenquill::Core {
namespace {

// Files are written in pieces of this size (an entry's straight from its decoded block): few
// enough calls that each costs next to nothing beside its bytes (under Wine every call is also a
// trip to the server), and a quarter of a block, so a cancellation is seen within one.
constexpr std::size_t WritePieceSize = 1024 * 1024;

std::wstring NewAsideSuffix() {
    std::random_device random;
    static constexpr wchar_t Digits[] = L"0123456789abcdef";
    std::wstring suffix = L".rq-aside-";
    for (int i = 0; i < 12; ++i) suffix += Digits[random() % 16];
    return suffix;
}

bool SameFullPath(const std::wstring& a, const std::wstring& b) {
    try {
        return Text::EqualsIgnoreCase(Path::TrimEndingSeparators(Path::GetFullPath(a)),
                                      Path::TrimEndingSeparators(Path::GetFullPath(b)));
    } catch (const Exception&) {
        return false;
    }
}

}  // namespace

InstallRun::InstallRun(InstallEngine& engine, InstallSystem& system, const InstallOptions& options,
                       CancellationToken token)
    : engine_(engine),
      system_(system),
      options_(options),
      manifest_(*options.Manifest),
      token_(std::move(token)),
      started_(std::chrono::steady_clock::now()),
      asideSuffix_(NewAsideSuffix()) {}

void InstallRun::Enter(std::wstring_view step) {
    if (engine_.OnStep) engine_.OnStep(step);
}

InstallRecord InstallRun::Execute() {
    if (Text::IsNullOrWhiteSpace(options_.InstallDir)) throw ArgumentException(L"Не задан каталог установки.");
    // Refused before anything is written rather than after every file is copied.
    InstallEngine::ThrowIfProductIdUnusable(manifest_);
    installDir_ = Path::GetFullPath(options_.InstallDir);

    record_.ProductName = manifest_.ProductName;
    record_.ProductId = manifest_.ProductId;
    record_.Version = manifest_.Version;
    record_.Publisher = manifest_.Publisher;
    record_.InstallDir = installDir_;
    record_.PerMachine = options_.PerMachine;
    record_.Components.assign(options_.SelectedComponentIds.begin(), options_.SelectedComponentIds.end());
    for (const ComponentDefinition& component : manifest_.Components) record_.OfferedComponents.push_back(component.Id);
    record_.MainExecutable = manifest_.MainExecutable;
    RefuseUnreadableRecordTexts();

    engine_.Report(0, L"Подготовка к установке", installDir_);
    engine_.WriteLog(L"Ravenquill — установка «" + manifest_.ProductName + L"» " + manifest_.Version);
    engine_.WriteLog(L"Каталог установки: " + installDir_);
    engine_.WriteLog(options_.PerMachine ? L"Режим: для всех пользователей"
                                         : L"Режим: только для текущего пользователя");

    const std::unique_ptr<PayloadSource> source = system_.OpenPayload();
    if (!source)
        throw InstallFailedException(
            L"Не найден пакет с файлами приложения (payload.zip). Соберите установщик заново вместе с пакетом файлов.");
    const std::vector<const PayloadEntry*> entries =
        InstallEngine::SelectEntries(*source, manifest_, options_.SelectedComponentIds);
    if (entries.empty()) throw InstallFailedException(L"В выбранных компонентах нет файлов для установки.");
    // Saturated: lengths come from the package and must not wrap the sum.
    std::int64_t total = 0;
    for (const PayloadEntry* entry : entries)
        total += std::min(std::max<std::int64_t>(entry->Length, 0), std::numeric_limits<std::int64_t>::max() - total);
    total_ = std::max<std::int64_t>(total, 1);
    engine_.WriteLog(L"Файлов к установке: " + std::to_wstring(entries.size()) + L" (" +
                     InstallEngine::FormatSize(total_) + L")");

    const std::wstring recordFolder = Path::GetDirectoryName(InstallRecord::PathFor(installDir_));
    if (!system_.DirectoryExists(recordFolder)) journal_.RecordFolderWasMissing(recordFolder);
    earlierRecord_ = LoadEarlierRecord();
    if (earlierRecord_ && Text::EqualsIgnoreCase(earlierRecord_->ProductId, manifest_.ProductId))
        engine_.WriteLog(L"Найдена установленная версия " + earlierRecord_->Version + L" в " + installDir_);
    try {
        Enter(InstallSteps::Directory);
        for (const std::wstring& made : system_.CreateDirectories(installDir_)) {
            journal_.MadeOnTheWay(made);
            // Made on the way to the install directory (a publisher's folder): the uninstall takes
            // it too once it is empty, as nothing else on the machine put it there.
            if (!SameFullPath(made, installDir_)) record_.ParentDirectories.push_back(made);
        }
        InstallEntries(*source, entries);

        engine_.Report(0.90, L"Регистрация приложения");
        ThrowIfCancellationRequested(token_);
        Enter(InstallSteps::Uninstaller);
        const std::wstring uninstaller = DeployUninstaller();
        Enter(InstallSteps::Shortcuts);
        CreateShortcuts(uninstaller);
        Enter(InstallSteps::PathEntry);
        if (options_.AddToPath) AddToPath();

        engine_.Report(0.96, L"Завершение");
        Enter(InstallSteps::Record);
        SaveRecord();
        Enter(InstallSteps::Registry);
        WriteUninstallEntry(uninstaller);
        Enter(InstallSteps::Wait);
        WaitForMinimumDuration();

        engine_.Report(1.0, L"Готово");
        Enter(InstallSteps::Finish);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started_;
        engine_.WriteLog(L"Установка завершена за " + InstallRules::FormatSeconds(elapsed.count()) + L" с");
    } catch (const OperationCanceledException&) {
        UndoAfterLog(L"Установка отменена, выполняется откат…");
        throw;
    } catch (const InstallFailedException&) {
        // A bad payload path or a locked file given up ends the run as well: without the rollback
        // the files copied so far would stay behind, listed in no record and out of reach of any
        // uninstaller.
        journal_.Undo(system_);
        throw;
    } catch (const std::exception& e) {
        const std::wstring message = MessageOf(e);
        const std::exception_ptr failure = std::current_exception();
        UndoAfterLog(L"Ошибка: " + message);
        throw InstallFailedException(message, failure);
    }
    journal_.Discard(system_);
    return record_;
}

void InstallRun::RefuseUnreadableRecordTexts() const {
    // An NTFS name may hold such a unit, so a typed or given directory can.
    if (!Text::IsWellFormedUtf16(installDir_))
        throw InstallFailedException(L"Путь установки содержит недопустимые символы: " + installDir_);
    std::vector<const std::wstring*> texts{&record_.ProductName, &record_.Version, &record_.Publisher};
    if (record_.MainExecutable) texts.push_back(&*record_.MainExecutable);
    if (manifest_.StartMenuFolder) texts.push_back(&*manifest_.StartMenuFolder);
    for (const std::wstring& id : record_.Components) texts.push_back(&id);
    for (const std::wstring& id : record_.OfferedComponents) texts.push_back(&id);
    for (const std::wstring* text : texts)
        if (!Text::IsWellFormedUtf16(*text))
            throw InstallFailedException(L"Данные установки содержат недопустимые символы: " + *text);
}

void InstallRun::InstallEntries(const PayloadSource& source, const std::vector<const PayloadEntry*>& entries) {
    // Gone (its threads joined) when this returns or fails, before any clean-up begins.
    const std::unique_ptr<EntryReader> reader =
        source.ReadInOrder(entries, ReadAheadOptions{DefaultReadAheadThreads(), token_});
    std::int64_t done = 0;
    for (const PayloadEntry* entry : entries) {
        ThrowIfCancellationRequested(token_);
        const std::wstring target = Path::GetFullPath(Path::Combine(installDir_, entry->RelativePath));
        // A name with an unpaired surrogate (possible only in a folder payload) would be written
        // into the record as an escape that no strict JSON reader accepts: the installation
        // could then never be found for removal. It is refused like a path outside.
        if (!InstallRules::IsInside(target, installDir_) || !Text::IsWellFormedUtf16(entry->RelativePath))
            throw InstallFailedException(L"Недопустимый путь в пакете: " + entry->RelativePath);
        const std::wstring folder = Path::GetDirectoryName(target);
        EnsureDirectory(folder);
        engine_.Report(0.05 + 0.85 * static_cast<double>(done) / static_cast<double>(total_), L"Копирование файлов",
                       entry->RelativePath);
        Enter(InstallSteps::Entry);
        try {
            WriteEntry(*reader, *entry, target);
        } catch (const DirectoryNotFoundException&) {
            // The folder was found or made once and has gone since (the user or another program
            // removed it): the disk is asked again, the folder made again, and the entry written.
            knownDirectories_.erase(folder);
            EnsureDirectory(folder);
            WriteEntry(*reader, *entry, target);
        }
        done += std::max<std::int64_t>(entry->Length, 0);
        ListFile(entry->RelativePath);
    }
}

void InstallRun::EnsureDirectory(const std::wstring& directory) {
    // Most entries share their folder with others: the disk is asked once for each folder, not
    // once for each file.
    if (knownDirectories_.contains(directory)) return;
    if (system_.DirectoryExists(directory)) {
        knownDirectories_.insert(directory);
        return;
    }
    // Every folder made on the way is listed, so that clean-up and uninstall leave none behind.
    for (const std::wstring& made : system_.CreateDirectories(directory)) {
        const std::optional<std::wstring> relative = InstallRules::RelativeInside(made, installDir_);
        if (!relative || relative->starts_with(L"..")) continue;
        if (std::find(record_.Directories.begin(), record_.Directories.end(), *relative) == record_.Directories.end()) {
            record_.Directories.push_back(*relative);
            journal_.MadeInside(made);
        }
    }
    knownDirectories_.insert(directory);
}

void InstallRun::WriteEntry(EntryReader& reader, const PayloadEntry& entry, const std::wstring& target) {
    for (;;) {
        ThrowIfCancellationRequested(token_);
        std::exception_ptr failure;
        try {
            // A file of an earlier installation goes aside first, so a failed update can put it back.
            // A file that another program holds open is locked even when that program lets it be
            // renamed (a running program does): moving it aside would skip the question and leave
            // the renamed file behind, since it cannot be deleted while it is held.
            // Where nothing is in the way yet (a fresh installation: nearly every file), the one
            // call that makes the file is the only question asked of the disk.
            std::unique_ptr<InstallFile> file = system_.CreateNewFile(target);
            if (!file) {
                if (system_.FileExists(target)) {
                    if (!journal_.WroteFile(target)) {
                        system_.ThrowIfInUse(target);
                        MoveAside(target);
                    } else {
                        system_.SetNormalAttributes(target);
                    }
                }
                file = system_.ReplaceFile(target);
            }
            CopyEntry(reader, entry, target, *file);
            return;
        } catch (const OperationCanceledException&) {
            throw;
        } catch (...) {
            failure = std::current_exception();
        }
        if (!InstallEngine::IsLockViolation(failure)) std::rethrow_exception(failure);
        const std::wstring message = InstallEngine::DescribeLockedFile(target, failure);
        if (!engine_.FileLockHandler) throw InstallFailedException(message, failure);
        auto processes = std::make_shared<const std::vector<LockingProcess>>(system_.FindLockingProcesses(target));
        std::wstring line = L"Файл занят: " + std::wstring(Path::GetFileName(target));
        if (!processes->empty()) {
            line += L" (";
            for (std::size_t i = 0; i < processes->size(); ++i) line += (i ? L", " : L"") + (*processes)[i].Name();
            line += L")";
        }
        engine_.WriteLog(line);
        if (engine_.FileLockHandler(FileLockInfo(target, processes)) == FileLockResolution::Abort)
            throw InstallFailedException(message, failure);
    }
}

template <class Fill>
void InstallRun::FillOrDelete(InstallFile& file, const std::wstring& path, Fill&& fill) {
    try {
        fill();
        file.Close();
    } catch (...) {
        const std::exception_ptr failure = std::current_exception();
        TryBestEffort([&] { file.Close(); });
        TryBestEffort([&] { system_.DeleteFileIfExists(path); });
        std::rethrow_exception(failure);
    }
}

void InstallRun::CopyEntry(EntryReader& reader, const PayloadEntry& entry, const std::wstring& target,
                           InstallFile& file) {
    FillOrDelete(file, target, [&] {
        const std::unique_ptr<EntryStream> content = reader.Open(entry);
        std::int64_t copied = 0;
        for (;;) {
            ThrowIfCancellationRequested(token_);
            const std::span<const std::byte> piece = content->ReadSpan(WritePieceSize);
            if (piece.empty()) break;
            copied += static_cast<std::int64_t>(piece.size());
            if (copied > entry.Length) break;
            Enter(InstallSteps::Piece);
            file.Write(piece);
        }
        // A source that delivers another length than it states is damaged: never install it cut short.
        if (copied != entry.Length)
            throw InvalidDataException(L"Пакет повреждён: файл «" + entry.RelativePath +
                                       L"» не совпадает с заявленной длиной (" + std::to_wstring(entry.Length) +
                                       L" Б).");
    });
    journal_.Wrote(target);
}

std::wstring InstallRun::DeployUninstaller() {
    const std::wstring uninstaller = Path::Combine(installDir_, L"uninstall.exe");
    const std::wstring program = system_.ExecutablePath();
    if (program.empty() || !system_.FileExists(program)) {
        engine_.WriteLog(L"Не удалось определить путь к установщику — деинсталлятор не скопирован");
        return uninstaller;
    }
    try {
        if (SameFullPath(program, uninstaller)) {
            // Started from the installed uninstaller: it already is the copy and stays as it is.
            ListFile(L"uninstall.exe");
        } else {
            CopyUninstaller(program, uninstaller);
        }
        CopySideManifest();
        engine_.WriteLog(L"Деинсталлятор установлен");
    } catch (const IOException& e) {
        engine_.WriteLog(L"Не удалось скопировать деинсталлятор: " + e.Message());
    }
    return uninstaller;
}

void InstallRun::CopyUninstaller(const std::wstring& source, const std::wstring& uninstaller) {
    const std::size_t movedBefore = journal_.MovedAsideCount();
    // Whose uninstaller stays as ".old" once the run has succeeded: this product's or another's.
    std::optional<bool> keptOurs;
    // The payload's own uninstaller renamed to ".old": this run's file once the copy has succeeded.
    // A copy that fails puts the earlier ".old" back, which a later clean-up must then leave alone.
    bool wroteOld = false;
    const std::wstring old = uninstaller + L".old";
    try {
        if (system_.FileExists(uninstaller)) {
            // A payload's own "uninstall.exe" is this run's file.
            const bool payloadOwn = journal_.WroteFile(uninstaller);
            const bool ours = payloadOwn || EarlierInstallationListed(L"uninstall.exe");
            if (ours && system_.FileExists(old) && !EarlierInstallationListed(L"uninstall.exe.old")) {
                // The ".old" is another program's uninstaller, renamed when this product was first
                // installed over it: it stays, and this product's earlier uninstaller is replaced
                // without a copy kept.
                if (payloadOwn)
                    system_.DeleteFileIfExists(uninstaller);
                else
                    MoveAside(uninstaller);
            } else {
                // The older ".old" is kept aside until the run succeeds; the earlier uninstaller then
                // stays as ".old".
                if (system_.FileExists(old)) MoveAside(old);
                MoveAsideAs(uninstaller, old, true);
                // Under its new name too, so that a clean-up takes the payload's file away rather
                // than putting it back as the earlier uninstaller.
                wroteOld = payloadOwn;
                keptOurs = ours;
            }
        }
        const std::unique_ptr<ReadStream> program = system_.OpenForRead(source);
        const std::unique_ptr<InstallFile> file = system_.ReplaceFile(uninstaller);
        FillOrDelete(*file, uninstaller, [&] {
            std::vector<std::byte> buffer(WritePieceSize);
            for (;;) {
                ThrowIfCancellationRequested(token_);
                const std::size_t n = program->Read(buffer);
                if (n == 0) break;
                file->Write(std::span<const std::byte>(buffer.data(), n));
            }
        });
    } catch (const IOException&) {
        // Without a new copy the earlier uninstaller goes back in place, so the entry still works.
        journal_.RestoreMovedAside(system_, movedBefore);
        throw;
    }
    if (wroteOld) journal_.Wrote(old);
    journal_.Wrote(uninstaller);
    ListFile(L"uninstall.exe");
    // This product's earlier uninstaller goes with the installation; another program's stays.
    if (keptOurs == true) ListFile(L"uninstall.exe.old");
    if (keptOurs == false) foreignOldUninstaller_ = true;
}

void InstallRun::CopySideManifest() {
    const std::wstring folder = Path::GetDirectoryName(system_.ExecutablePath());
    const std::wstring side = Path::Combine(folder, L"installer.json");
    if (!system_.FileExists(side) || SameFullPath(folder, installDir_)) return;
    const std::wstring target = Path::Combine(installDir_, L"installer.json");
    const std::size_t movedBefore = journal_.MovedAsideCount();
    if (system_.FileExists(target) && !journal_.WroteFile(target)) MoveAside(target);
    try {
        system_.CopyFile(side, target);
    } catch (...) {
        // The installed uninstaller reads this file as its manifest: the earlier copy goes back.
        const std::exception_ptr failure = std::current_exception();
        TryBestEffort([&] { system_.DeleteFileIfExists(target); });
        journal_.RestoreMovedAside(system_, movedBefore);
        std::rethrow_exception(failure);
    }
    journal_.Wrote(target);
    ListFile(L"installer.json");
}

void InstallRun::CreateShortcuts(const std::wstring& uninstaller) {
    const std::optional<std::wstring> main = InstallEngine::ResolveMainExecutable(manifest_, installDir_, system_);
    const std::optional<std::wstring> icon = InstallEngine::ResolveIcon(manifest_, installDir_, system_);
    if (!main) {
        engine_.WriteLog(L"Основной исполняемый файл не задан — ярлыки не создаются");
        return;
    }
    const std::wstring& name = manifest_.ProductName;
    if (options_.DesktopShortcut) {
        if (const auto desktop = system_.KnownFolderPath(options_.PerMachine ? FileSystem::KnownFolder::PublicDesktop
                                                                             : FileSystem::KnownFolder::Desktop))
            CreateShortcut(Path::Combine(*desktop, name + L".lnk"), *main, icon, std::nullopt);
        else
            engine_.WriteLog(L"Не удалось создать ярлык " + name + L".lnk: не найдена папка рабочего стола");
    }
    if (options_.StartMenuShortcut) {
        const auto programs = system_.KnownFolderPath(options_.PerMachine ? FileSystem::KnownFolder::CommonPrograms
                                                                          : FileSystem::KnownFolder::Programs);
        if (!programs) {
            engine_.WriteLog(L"Не удалось создать ярлык " + name + L".lnk: не найдена папка меню «Пуск»");
            return;
        }
        const std::wstring folder = Path::Combine(*programs, manifest_.EffectiveStartMenuFolder());
        record_.StartMenuDirectory = folder;
        if (!system_.DirectoryExists(folder)) journal_.MadeStartMenuFolder(folder);
        CreateShortcut(Path::Combine(folder, name + L".lnk"), *main, icon, std::nullopt);
        CreateShortcut(Path::Combine(folder, L"Удалить " + name + L".lnk"), uninstaller, std::nullopt,
                       std::wstring(L"--uninstall"));
    }
}

void InstallRun::CreateShortcut(const std::wstring& linkPath, const std::wstring& target,
                                const std::optional<std::wstring>& icon, const std::optional<std::wstring>& arguments) {
    const std::wstring description = manifest_.Tagline ? *manifest_.Tagline : manifest_.ProductName;
    const std::size_t movedBefore = journal_.MovedAsideCount();
    // A shell link that cannot be saved fails as an HResultException (an InvalidOperationException).
    const auto absorbs = [](const std::exception& e) {
        return IsBestEffortFailure(e) || dynamic_cast<const InvalidOperationException*>(&e) != nullptr;
    };
    TryBestEffort(
        [&] {
            if (system_.FileExists(linkPath) && !journal_.WroteFile(linkPath)) MoveAside(linkPath);
            Enter(InstallSteps::Link);
            system_.CreateShortcut(linkPath, target, Path::GetDirectoryName(target), description, icon, arguments);
            record_.Shortcuts.push_back(linkPath);
            journal_.MadeShortcut(linkPath);
            engine_.WriteLog(L"Создан ярлык: " + linkPath);
        },
        absorbs,
        [&](const std::exception& failure) {
            // The run goes on without this link: the earlier one stays where it was, since only a
            // successful save replaces it.
            journal_.RestoreMovedAside(system_, movedBefore);
            engine_.WriteLog(L"Не удалось создать ярлык " + std::wstring(Path::GetFileName(linkPath)) + L": " +
                             MessageOf(failure));
        });
}

void InstallRun::AddToPath() {
    record_.PathEntryAdded = system_.AddPathEntry(installDir_, options_.PerMachine);
    if (!record_.PathEntryAdded) return;
    journal_.AddedPathEntry(installDir_, options_.PerMachine);
    engine_.WriteLog(L"Каталог добавлен в переменную PATH");
}

bool InstallRun::EarlierRecordAddedPath() const {
    // An update finds the entry that the earlier installation added; it stays the product's, so
    // that the uninstall still takes it away.
    return earlierRecord_ && earlierRecord_->PathEntryAdded && earlierRecord_->PerMachine == options_.PerMachine;
}

bool InstallRun::EarlierInstallationListed(std::wstring_view file) const {
    if (!earlierRecord_ || !Text::EqualsIgnoreCase(earlierRecord_->ProductId, manifest_.ProductId)) return false;
    return std::any_of(earlierRecord_->Files.begin(), earlierRecord_->Files.end(),
                       [&](const std::wstring& listed) { return Text::EqualsIgnoreCase(listed, file); });
}

std::optional<InstallRecord> InstallRun::LoadEarlierRecord() const {
    try {
        std::optional<InstallRecord> earlier = system_.LoadRecord(installDir_);
        if (earlier && PathVariable::SamePath(earlier->InstallDir, installDir_)) return earlier;
    } catch (const Exception&) {
    }
    return std::nullopt;
}

void InstallRun::AdoptEarlierRecord() {
    if (!earlierRecord_) return;
    // What an earlier version put here and this one does not replace stays on the disk; listing it
    // lets the uninstall take it away as well. Only what still lies inside the directory is taken.
    for (const std::wstring& file : earlierRecord_->Files) {
        // Another program's uninstaller now lies where this product's earlier one was.
        if (foreignOldUninstaller_ && Text::EqualsIgnoreCase(file, L"uninstall.exe.old")) continue;
        if (InstallRules::IsSafeRelativePath(file) && system_.FileExists(Path::Combine(installDir_, file)))
            ListFile(file);
    }
    for (const std::wstring& directory : earlierRecord_->Directories)
        if (InstallRules::IsSafeRelativePath(directory) &&
            system_.DirectoryExists(Path::Combine(installDir_, directory)) &&
            std::find(record_.Directories.begin(), record_.Directories.end(), directory) == record_.Directories.end())
            record_.Directories.push_back(directory);
    for (const std::wstring& link : earlierRecord_->Shortcuts) {
        const bool listed = std::any_of(record_.Shortcuts.begin(), record_.Shortcuts.end(),
                                        [&](const std::wstring& s) { return Text::EqualsIgnoreCase(s, link); });
        if (!listed && Text::EndsWithIgnoreCase(link, L".lnk") && system_.FileExists(link))
            record_.Shortcuts.push_back(link);
    }
    for (const std::wstring& parent : earlierRecord_->ParentDirectories) {
        const bool listed = std::any_of(record_.ParentDirectories.begin(), record_.ParentDirectories.end(),
                                        [&](const std::wstring& p) { return SameFullPath(p, parent); });
        if (!listed && InstallRules::IsInside(installDir_, parent) && system_.DirectoryExists(parent))
            record_.ParentDirectories.push_back(parent);
    }
    // Also when this run did not ask for PATH: the entry stays on the machine all the same.
    if (EarlierRecordAddedPath()) record_.PathEntryAdded = true;
    if (!record_.StartMenuDirectory && earlierRecord_->StartMenuDirectory &&
        system_.DirectoryExists(*earlierRecord_->StartMenuDirectory))
        record_.StartMenuDirectory = earlierRecord_->StartMenuDirectory;
}

void InstallRun::SaveRecord() {
    AdoptEarlierRecord();
    const std::wstring path = InstallRecord::PathFor(installDir_);
    // The earlier installation's record stays aside until this run has succeeded.
    if (system_.FileExists(path)) MoveAside(path);
    journal_.Wrote(path);
    system_.SaveRecord(record_, installDir_);
}

void InstallRun::WriteUninstallEntry(const std::wstring& uninstaller) {
    journal_.WritingUninstallEntry(record_.ProductId, record_.PerMachine,
                                   system_.ReadUninstallEntry(record_.ProductId, record_.PerMachine));
    system_.WriteUninstallEntry(record_, uninstaller, total_,
                                InstallEngine::ResolveIcon(manifest_, installDir_, system_), manifest_.Website);
    engine_.WriteLog(L"Запись в «Установка и удаление программ» создана");
}

void InstallRun::WaitForMinimumDuration() {
    const auto remaining = options_.MinimumDuration - (std::chrono::steady_clock::now() - started_);
    if (remaining > std::chrono::steady_clock::duration::zero())
        system_.Wait(std::chrono::duration_cast<std::chrono::nanoseconds>(remaining), token_);
}

std::wstring InstallRun::AsidePath(const std::wstring& path) {
    // The number keeps two long names that are cut to the same beginning apart.
    const std::wstring suffix = asideSuffix_ + L"-" + std::to_wstring(++asideCount_);
    return Path::Combine(Path::GetDirectoryName(path), InstallRules::AsideName(Path::GetFileName(path), suffix));
}

void InstallRun::MoveAside(const std::wstring& path) { MoveAsideAs(path, AsidePath(path), false); }

void InstallRun::MoveAsideAs(const std::wstring& path, const std::wstring& aside, bool keepOnSuccess) {
    system_.MoveFile(path, aside);
    journal_.MovedAsideTo(path, aside, keepOnSuccess);
}

void InstallRun::ListFile(const std::wstring& relative) {
    if (listed_.insert(relative).second) record_.Files.push_back(relative);
}

void InstallRun::UndoAfterLog(const std::wstring& line) {
    // A log subscriber that fails here (a log file that cannot be written, a journal that throws)
    // must not keep the machine from being put back: the run's own failure is what is reported.
    try {
        engine_.WriteLog(line);
    } catch (...) {
    }
    journal_.Undo(system_);
}

}  // namespace Ravenquill::Core
