#pragma once
// A stand-in for the machine under the uninstall engine: it records each removal it is asked for,
// answers from a small picture of folders, links and registry entries, and fails where told to.
#include <chrono>
#include <exception>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/engine/engines/uninstall_system.h"

namespace Ravenquill::Core::Testing {

class FakeUninstallSystem final : public UninstallSystem {
public:
    // Every call, as "verb path" lines in call order.
    std::vector<std::wstring> Calls;
    std::set<std::wstring> ExistingDirectories;
    std::set<std::wstring> LinkedDirectories;
    // Thrown by the call on that path (or product id, or PATH directory).
    std::map<std::wstring, std::exception_ptr> Failures;
    // Run before the call on that path, for cancelling mid-run.
    std::map<std::wstring, std::function<void()>> Before;
    std::optional<std::wstring> Roaming;
    std::optional<std::wstring> RegisteredLocation;
    // The folder each hive's entry names (true: the machine's), where it has one.
    std::map<bool, std::wstring> LocationInHive;
    // Whether the uninstall entry is still there after DeleteUninstallEntry.
    bool EntryRemains = false;
    std::vector<std::chrono::nanoseconds> Waits;

    void DeleteFileIfExists(const std::wstring& path) override { Call(L"delete-file", path); }
    void DeleteDirectoryIfEmpty(const std::wstring& path) override { Call(L"delete-empty-dir", path); }
    void DeleteTree(const std::wstring& path) override { Call(L"delete-tree", path); }
    bool DirectoryExists(const std::wstring& path) override { return ExistingDirectories.contains(path); }
    bool IsLinkedDirectory(const std::wstring& path) override { return LinkedDirectories.contains(path); }
    // Pairs of spellings that name one folder.
    std::set<std::pair<std::wstring, std::wstring>> SameDirectories;
    bool IsSameDirectory(const std::wstring& a, const std::wstring& b) override {
        return SameDirectories.contains({a, b}) || SameDirectories.contains({b, a});
    }
    void RemovePathEntry(const std::wstring& dir, bool machine) override {
        Call(machine ? L"remove-machine-path" : L"remove-user-path", dir);
    }
    void DeleteUninstallEntry(const std::wstring& productId, bool machine) override {
        Call(machine ? L"delete-machine-entry" : L"delete-user-entry", productId);
    }
    bool UninstallEntryExists(const std::wstring&, bool) override { return EntryRemains; }
    std::optional<std::wstring> FindInstalledLocation(const std::wstring&) override { return RegisteredLocation; }
    std::optional<std::wstring> InstalledLocationIn(const std::wstring&, bool machine) override {
        if (auto found = LocationInHive.find(machine); found != LocationInHive.end()) return found->second;
        return std::nullopt;
    }
    std::optional<std::wstring> RoamingAppData() override { return Roaming; }
    void Wait(std::chrono::nanoseconds duration, const CancellationToken& token) override {
        Waits.push_back(duration);
        ThrowIfCancellationRequested(token);
    }

private:
    void Call(const std::wstring& verb, const std::wstring& subject) {
        if (auto before = Before.find(subject); before != Before.end()) before->second();
        Calls.push_back(verb + L" " + subject);
        if (auto failure = Failures.find(subject); failure != Failures.end()) std::rethrow_exception(failure->second);
    }
};

}  // namespace Ravenquill::Core::Testing
