#pragma once
// A sandbox for install runs under Wine: a fake setup folder (its executable, payload folder or
// package and side manifest), a target folder, the product's own id and name, and a snapshot of
// everything an installation may touch (files below the sandbox, the uninstall entry, the user's
// PATH, the desktop link and the Start-menu folder) to compare before and after.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/common/file_system.h"
#include "core/common/host.h"
#include "core/common/unique_handle.h"
#include "core/engine/engines/install_engine.h"
#include "core/engine/engines/install_entry_backup.h"
#include "core/engine/platform/path_variable.h"
#include "support/fake_host.h"

namespace Ravenquill::Core::Testing {

namespace fs = std::filesystem;

using Ravenquill::Testing::FakeHost;

inline std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

inline fs::path KnownFolderDir(FileSystem::KnownFolder folder) {
    return fs::path(FileSystem::KnownFolderPath(folder).value_or(L""));
}

// The persistent PATH of the user (HKEY_CURRENT_USER) or of the machine (HKEY_LOCAL_MACHINE).
inline std::optional<std::wstring> PathOf(HKEY hive) {
    const wchar_t* keyPath = hive == HKEY_LOCAL_MACHINE
                                 ? L"System\\CurrentControlSet\\Control\\Session Manager\\Environment"
                                 : L"Environment";
    UniqueHKey key;
    if (RegOpenKeyExW(hive, keyPath, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return std::nullopt;
    wchar_t buffer[32768];
    DWORD size = sizeof(buffer);
    DWORD type = 0;
    const LSTATUS status = RegQueryValueExW(key.get(), L"PATH", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    if (status != ERROR_SUCCESS) return std::nullopt;
    std::wstring value(buffer, size / sizeof(wchar_t));
    while (!value.empty() && value.back() == L'\0') value.pop_back();
    return value;
}

inline std::optional<std::wstring> UserPath() { return PathOf(HKEY_CURRENT_USER); }

// Everything below a folder: relative path -> content (directories as "<dir>").
inline std::map<std::wstring, std::string> Tree(const fs::path& root) {
    std::map<std::wstring, std::string> tree;
    if (!fs::exists(root)) return tree;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        const std::wstring relative = item.path().lexically_relative(root).wstring();
        tree[relative] = item.is_directory() ? std::string("<dir>") : ReadText(item.path());
    }
    return tree;
}

struct MachineState {
    std::map<std::wstring, std::string> Sandbox;
    std::map<std::wstring, std::string> StartMenu;
    bool DesktopLink = false;
    std::optional<UninstallEntryBackup::Values> Entry;
    std::optional<std::wstring> Path;

    bool operator==(const MachineState& other) const {
        // Values compare by name, whatever order the registry lists them in.
        auto sameValues = [](const std::optional<UninstallEntryBackup::Values>& a,
                             const std::optional<UninstallEntryBackup::Values>& b) {
            if (a.has_value() != b.has_value()) return false;
            if (!a) return true;
            auto byName = [](const UninstallEntryBackup::Values& values) {
                std::map<std::wstring, std::pair<std::uint32_t, std::vector<std::byte>>> map;
                for (const auto& value : values) map[value.Name] = {value.Type, value.Data};
                return map;
            };
            return byName(*a) == byName(*b);
        };
        return Sandbox == other.Sandbox && StartMenu == other.StartMenu && DesktopLink == other.DesktopLink &&
               sameValues(Entry, other.Entry) && Path == other.Path;
    }
};

inline std::ostream& operator<<(std::ostream& out, const MachineState& state) {
    out << "files:";
    for (const auto& [path, content] : state.Sandbox) out << " " << fs::path(path).string();
    out << " | start menu:";
    for (const auto& [path, content] : state.StartMenu) out << " " << fs::path(path).string();
    out << " | desktop link: " << state.DesktopLink << " | entry: " << (state.Entry ? state.Entry->size() : 0)
        << " values | PATH: " << (state.Path ? fs::path(*state.Path).string() : std::string("(none)"));
    return out;
}

// One product, one sandbox. The target lies two folders below the sandbox so that folders made
// on the way to it are seen too.
class InstallSandbox {
public:
    explicit InstallSandbox(const std::string& name)
        : name_(name),
          root_(fs::temp_directory_path() / ("RqInstall-" + name)),
          setup_(root_ / "setup"),
          target_(root_ / "apps" / "vendor" / "Target") {
        manifest_ = std::make_shared<InstallManifest>();
        manifest_->ProductId = L"RqTest" + fs::path(name).wstring();
        manifest_->ProductName = L"Rq Test " + fs::path(name).wstring();
        manifest_->Publisher = L"Rq Tests";
        manifest_->Version = L"2.5.0";
        Clean();
        fs::create_directories(setup_ / "payload");
        WriteText(setup_ / "setup.exe", "setup program " + name);
        host_ = std::make_unique<FakeHost>((setup_ / "setup.exe").wstring());
        scope_ = std::make_unique<ScopedHost>(*host_);
    }
    ~InstallSandbox() {
        scope_.reset();
        Clean();
    }

    InstallManifest& Manifest() { return *manifest_; }
    const fs::path& Root() const { return root_; }
    const fs::path& Setup() const { return setup_; }
    const fs::path& Target() const { return target_; }
    fs::path Payload() const { return setup_ / "payload"; }

    void AddPayload(const std::string& relative, const std::string& content) const {
        WriteText(Payload() / fs::path(relative), content);
    }

    // Runs the installer from another file, as if it were that program.
    void RunFrom(const fs::path& program) {
        scope_.reset();
        host_ = std::make_unique<FakeHost>(program.wstring());
        scope_ = std::make_unique<ScopedHost>(*host_);
    }

    InstallOptions Options() const {
        InstallOptions options;
        options.Manifest = manifest_;
        options.InstallDir = target_.wstring();
        options.MinimumDuration = {};
        return options;
    }

    fs::path DesktopLink() const {
        return KnownFolderDir(FileSystem::KnownFolder::Desktop) / (ProductName() + L".lnk");
    }
    fs::path StartMenuFolder() const {
        return KnownFolderDir(FileSystem::KnownFolder::Programs) / manifest_->EffectiveStartMenuFolder();
    }
    std::wstring ProductName() const { return manifest_->ProductName; }

    MachineState Snapshot() const {
        MachineState state;
        state.Sandbox = Tree(root_);
        state.StartMenu = Tree(StartMenuFolder());
        if (fs::exists(StartMenuFolder())) state.StartMenu[L"."] = "<dir>";
        state.DesktopLink = fs::exists(DesktopLink());
        state.Entry = UninstallEntryBackup::Read(manifest_->ProductId, false);
        state.Path = UserPath();
        return state;
    }

private:
    void Clean() const {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
        {
            fs::remove(DesktopLink(), ignored);
            fs::remove_all(StartMenuFolder(), ignored);
            RegDeleteTreeW(
                HKEY_CURRENT_USER,
                (L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + manifest_->ProductId).c_str());
            try {
                PathVariable::Remove(target_.wstring(), false);
            } catch (...) {
            }
        }
    }

    std::string name_;
    fs::path root_;
    fs::path setup_;
    fs::path target_;
    std::shared_ptr<InstallManifest> manifest_;
    std::unique_ptr<FakeHost> host_;
    std::unique_ptr<ScopedHost> scope_;
};

}  // namespace Ravenquill::Core::Testing
