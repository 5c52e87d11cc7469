#pragma once
// A machine in memory under the install engine: files with their bytes, folders, the uninstall
// entries and both PATH variables, a payload and a running program of its own. It behaves as the
// machine's file calls do where a run can tell (a missing folder, a name already taken, a file
// another program holds), and its whole state compares, so a test can expect "the machine as it
// was" after a stopped run. Paths read '\' and '/' alike and are kept with the platform's separator.
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/common/errors.h"
#include "core/common/path.h"
#include "core/common/text.h"
#include "core/engine/engines/install_system.h"
#include "core/model/core_json.h"

namespace Ravenquill::Core::Testing {

// A payload held in memory: each file's relative path (parts separated by '\') and content.
class MemoryPayload final : public PayloadSource {
public:
    explicit MemoryPayload(const std::vector<std::pair<std::wstring, std::string>>& files) {
        for (const auto& [path, content] : files) {
            auto bytes = std::make_shared<const std::string>(content);
            entries_.push_back(PayloadEntry{path, static_cast<std::int64_t>(content.size()), [bytes] {
                                                const auto* first = reinterpret_cast<const std::byte*>(bytes->data());
                                                return std::unique_ptr<ReadStream>(std::make_unique<MemoryReadStream>(
                                                    std::vector<std::byte>(first, first + bytes->size())));
                                            }});
        }
    }
    const std::vector<PayloadEntry>& Entries() const override { return entries_; }

private:
    std::vector<PayloadEntry> entries_;
};

class FakeInstallMachine final : public InstallSystem {
public:
    // What a run can change, compared as a whole.
    struct State {
        std::map<std::wstring, std::string> Files;
        std::set<std::wstring> Directories{std::wstring(1, Path::Separator)};
        // Each uninstall entry's text, by product id and scope (true: the machine's).
        std::map<std::pair<std::wstring, bool>, std::wstring> Entries;
        // Each scope's PATH entries (true: the machine's).
        std::map<bool, std::vector<std::wstring>> Path;
        bool operator==(const State&) const = default;
    };
    State Machine;

    std::wstring Program;
    std::vector<std::pair<std::wstring, std::string>> Payload;
    std::map<FileSystem::KnownFolder, std::wstring> KnownFolders;
    // Files another program holds open: they cannot be replaced, deleted or opened alone.
    std::set<std::wstring> InUse;
    std::vector<LockingProcess> Holders;
    // Thrown by any change on that path (or product id, or PATH directory).
    std::map<std::wstring, std::exception_ptr> Failures;
    // Thrown when that file is opened for reading (a damaged or vanished medium).
    std::map<std::wstring, std::exception_ptr> ReadFailures;
    std::vector<std::chrono::nanoseconds> Waits;

    static std::wstring Key(std::wstring path) {
        std::replace_if(path.begin(), path.end(), Path::IsSeparator, Path::Separator);
        while (path.size() > Path::GetPathRoot(path).size() && path.back() == Path::Separator) path.pop_back();
        return path;
    }
    void AddFolder(const std::wstring& path) { CreateDirectories(path); }
    void AddFile(const std::wstring& path, std::string content) {
        CreateDirectories(Path::GetDirectoryName(Key(path)));
        Machine.Files[Key(path)] = std::move(content);
    }
    std::optional<std::string> Content(const std::wstring& path) const {
        const auto found = Machine.Files.find(Key(path));
        if (found == Machine.Files.end()) return std::nullopt;
        return found->second;
    }

    std::unique_ptr<PayloadSource> OpenPayload() override {
        if (Payload.empty()) return nullptr;
        return std::make_unique<MemoryPayload>(Payload);
    }
    std::wstring ExecutablePath() override { return Program; }

    bool FileExists(const std::wstring& path) override { return Machine.Files.contains(Key(path)); }
    bool DirectoryExists(const std::wstring& path) override { return Machine.Directories.contains(Key(path)); }

    std::vector<std::wstring> CreateDirectories(const std::wstring& path) override {
        std::vector<std::wstring> missing;
        for (std::wstring folder = Key(path); !folder.empty() && !Machine.Directories.contains(folder);
             folder = Path::GetDirectoryName(folder)) {
            if (Machine.Files.contains(folder)) throw IOException(L"Файл с таким именем уже существует.", 183);
            missing.insert(missing.begin(), folder);
        }
        for (const std::wstring& folder : missing) {
            Fail(folder);
            Machine.Directories.insert(folder);
        }
        return missing;
    }

    std::vector<std::wstring> ListFiles(const std::wstring& directory, const std::wstring& pattern) override {
        const std::wstring ending = pattern.substr(pattern.find(L'*') + 1);
        std::vector<std::wstring> names;
        for (const auto& [path, content] : Machine.Files)
            if (Path::GetDirectoryName(path) == Key(directory) && Text::EndsWithIgnoreCase(path, ending))
                names.emplace_back(Path::GetFileName(path));
        return names;
    }

    std::unique_ptr<InstallFile> CreateNewFile(const std::wstring& path) override {
        if (FileExists(path) || DirectoryExists(path)) return nullptr;
        return ReplaceFile(path);
    }
    std::unique_ptr<InstallFile> ReplaceFile(const std::wstring& path) override {
        const std::wstring key = Key(path);
        Fail(key);
        ThrowIfMissingFolder(key);
        if (DirectoryExists(key)) throw UnauthorizedAccessException(L"Отказано в доступе. : " + key);
        ThrowIfInUse(key);
        Machine.Files[key].clear();
        return std::make_unique<File>(*this, key);
    }
    std::unique_ptr<ReadStream> OpenForRead(const std::wstring& path) override {
        if (const auto failure = ReadFailures.find(Key(path)); failure != ReadFailures.end())
            std::rethrow_exception(failure->second);
        const std::optional<std::string> content = Content(path);
        if (!content) throw FileNotFoundException(L"Не удается найти указанный файл. : " + path, 2);
        const auto* first = reinterpret_cast<const std::byte*>(content->data());
        return std::make_unique<MemoryReadStream>(std::vector<std::byte>(first, first + content->size()));
    }
    void ThrowIfInUse(const std::wstring& path) override {
        if (InUse.contains(Key(path)))
            throw SharingViolationException(L"Процесс не может получить доступ к файлу. : " + path, 32);
    }
    void SetNormalAttributes(const std::wstring& path) override { ThrowIfNoFile(Key(path)); }
    void MoveFile(const std::wstring& from, const std::wstring& to) override {
        const std::wstring source = Key(from), target = Key(to);
        Fail(source);
        ThrowIfNoFile(source);
        ThrowIfMissingFolder(target);
        if (FileExists(target) || DirectoryExists(target)) throw IOException(L"Файл уже существует. : " + to, 183);
        Machine.Files[target] = std::move(Machine.Files[source]);
        Machine.Files.erase(source);
    }
    void CopyFile(const std::wstring& from, const std::wstring& to) override {
        const std::wstring source = Key(from), target = Key(to);
        Fail(target);
        ThrowIfNoFile(source);
        ThrowIfMissingFolder(target);
        ThrowIfInUse(target);
        Machine.Files[target] = Machine.Files[source];
    }
    void DeleteFileIfExists(const std::wstring& path) override {
        const std::wstring key = Key(path);
        Fail(key);
        ThrowIfMissingFolder(key);
        if (!FileExists(key)) return;
        ThrowIfInUse(key);
        Machine.Files.erase(key);
    }
    void DeleteDirectoryIfEmpty(const std::wstring& path) override {
        const std::wstring key = Key(path);
        Fail(key);
        if (!DirectoryExists(key) || HoldsAnything(key)) return;
        Machine.Directories.erase(key);
    }
    void DeleteTree(const std::wstring& path) override {
        const std::wstring key = Key(path);
        Fail(key);
        std::erase_if(Machine.Files, [&](const auto& file) { return Under(file.first, key); });
        std::erase_if(Machine.Directories,
                      [&](const std::wstring& folder) { return folder == key || Under(folder, key); });
    }
    std::optional<std::wstring> KnownFolderPath(FileSystem::KnownFolder folder) override {
        if (const auto found = KnownFolders.find(folder); found != KnownFolders.end()) return found->second;
        return std::nullopt;
    }

    std::optional<InstallRecord> LoadRecord(const std::wstring& installDir) override {
        const std::optional<std::string> text = Content(InstallRecord::PathFor(installDir));
        if (!text) return std::nullopt;
        return CoreJson::ReadRecord(Text::FromUtf8(*text));
    }
    void SaveRecord(const InstallRecord& record, const std::wstring& installDir) override {
        const std::wstring path = InstallRecord::PathFor(installDir);
        CreateDirectories(Path::GetDirectoryName(Key(path)));
        ReplaceFile(path)->Write(AsBytes(Text::ToUtf8(CoreJson::WriteRecord(record))));
    }

    void CreateShortcut(const std::wstring& linkPath, const std::wstring& target, const std::wstring&,
                        const std::wstring&, const std::optional<std::wstring>&,
                        const std::optional<std::wstring>& arguments) override {
        CreateDirectories(Path::GetDirectoryName(Key(linkPath)));
        ReplaceFile(linkPath)->Write(
            AsBytes("link to " + Text::ToUtf8(target) + " " + Text::ToUtf8(arguments.value_or(L""))));
    }
    bool AddPathEntry(const std::wstring& dir, bool machine) override {
        Fail(dir);
        std::vector<std::wstring>& entries = Machine.Path[machine];
        if (std::find(entries.begin(), entries.end(), dir) != entries.end()) return false;
        entries.push_back(dir);
        return true;
    }
    void RemovePathEntry(const std::wstring& dir, bool machine) override {
        Fail(dir);
        std::erase(Machine.Path[machine], dir);
        if (Machine.Path[machine].empty()) Machine.Path.erase(machine);
    }

    std::optional<UninstallEntryBackup::Values> ReadUninstallEntry(const std::wstring& productId,
                                                                   bool machine) override {
        const auto found = Machine.Entries.find({productId, machine});
        if (found == Machine.Entries.end()) return std::nullopt;
        const std::string text = Text::ToUtf8(found->second);
        const auto* first = reinterpret_cast<const std::byte*>(text.data());
        return UninstallEntryBackup::Values{{L"Entry", 1, std::vector<std::byte>(first, first + text.size())}};
    }
    void RestoreUninstallEntry(const std::wstring& productId, bool machine,
                               const UninstallEntryBackup::Values& values) override {
        Fail(productId);
        const std::vector<std::byte>& data = values.at(0).Data;
        Machine.Entries[{productId, machine}] =
            Text::FromUtf8(std::string(reinterpret_cast<const char*>(data.data()), data.size()));
    }
    void WriteUninstallEntry(const InstallRecord& record, const std::wstring& uninstaller, std::int64_t totalBytes,
                             const std::optional<std::wstring>&, const std::optional<std::wstring>&) override {
        Fail(record.ProductId);
        Machine.Entries[{record.ProductId, record.PerMachine}] =
            record.Version + L" " + uninstaller + L" " + std::to_wstring(totalBytes);
    }
    void DeleteUninstallEntry(const std::wstring& productId, bool machine) override {
        Fail(productId);
        Machine.Entries.erase({productId, machine});
    }

    std::vector<LockingProcess> FindLockingProcesses(const std::wstring&) override { return Holders; }

    void Wait(std::chrono::nanoseconds duration, const CancellationToken& token) override {
        Waits.push_back(duration);
        ThrowIfCancellationRequested(token);
    }

private:
    class File final : public InstallFile {
    public:
        File(FakeInstallMachine& machine, std::wstring key) : machine_(machine), key_(std::move(key)) {}
        void Write(std::span<const std::byte> bytes) override {
            machine_.Fail(key_);
            machine_.Machine.Files[key_].append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        }
        void Close() override {}

    private:
        FakeInstallMachine& machine_;
        std::wstring key_;
    };

    static std::span<const std::byte> AsBytes(const std::string& text) { return std::as_bytes(std::span(text)); }
    static bool Under(const std::wstring& path, const std::wstring& folder) {
        return path.size() > folder.size() && path.starts_with(folder) &&
               (folder.back() == Path::Separator || path[folder.size()] == Path::Separator);
    }
    bool HoldsAnything(const std::wstring& folder) const {
        return std::any_of(Machine.Files.begin(), Machine.Files.end(),
                           [&](const auto& file) { return Under(file.first, folder); }) ||
               std::any_of(Machine.Directories.begin(), Machine.Directories.end(),
                           [&](const std::wstring& other) { return Under(other, folder); });
    }
    void Fail(const std::wstring& subject) const {
        if (const auto failure = Failures.find(Key(subject)); failure != Failures.end())
            std::rethrow_exception(failure->second);
    }
    void ThrowIfNoFile(const std::wstring& key) const {
        if (!Machine.Files.contains(key)) throw FileNotFoundException(L"Не удается найти указанный файл. : " + key, 2);
    }
    void ThrowIfMissingFolder(const std::wstring& key) const {
        if (!Machine.Directories.contains(Path::GetDirectoryName(key)))
            throw DirectoryNotFoundException(L"Системе не удается найти указанный путь. : " + key, 3);
    }
};

inline void PrintTo(const FakeInstallMachine::State& state, std::ostream* out) {
    for (const std::wstring& folder : state.Directories) *out << "\n  folder " << Text::ToUtf8(folder);
    for (const auto& [path, content] : state.Files)
        *out << "\n  file " << Text::ToUtf8(path) << " (" << content.size() << " B)";
    for (const auto& [key, text] : state.Entries)
        *out << "\n  entry " << Text::ToUtf8(key.first) << (key.second ? " machine " : " user ") << Text::ToUtf8(text);
    for (const auto& [machine, entries] : state.Path)
        for (const std::wstring& entry : entries)
            *out << "\n  PATH " << (machine ? "machine " : "user ") << Text::ToUtf8(entry);
}

}  // namespace Ravenquill::Core::Testing
