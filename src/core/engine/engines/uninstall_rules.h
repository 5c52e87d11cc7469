#pragma once
// The checks the uninstaller makes before it trusts a record: a record is a file in a folder that
// anyone may have edited, so nothing it names is removed unless it passes these. Pure text rules,
// tested natively as well.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Ravenquill::Core::UninstallRules {

// A full path that does not depend on a current directory or drive: "C:\..." or "\\server\share..."
// (in the native build, "/...").
bool IsFullyQualified(std::wstring_view path) noexcept;

// A shortcut path the uninstaller may delete: fully qualified and ending in ".lnk" (any case).
bool IsShortcutPath(std::wstring_view path) noexcept;

// A product name that names exactly one folder under a parent and nothing else: a plain folder name
// without the characters a file name cannot hold and without a trailing dot or blank (which the
// system would strip, naming another folder).
bool IsUserDataFolderName(std::wstring_view name) noexcept;

// The full path of a recorded relative path under the full install directory, when it lies
// strictly inside it; none for a path that leads elsewhere or names the directory itself.
std::optional<std::wstring> ResolveInside(const std::wstring& installDir, std::wstring_view relative);

// The folders strictly between the full install directory and the full path, outermost first.
std::vector<std::wstring> FoldersBetween(const std::wstring& installDir, const std::wstring& fullPath);

// Whether two full directory paths spell the same folder: equal ignoring case once trailing
// separators are dropped.
bool NamesSameDirectory(std::wstring_view a, std::wstring_view b);

// Where to look for a record, in order: the explicit directory (unless blank, unchanged), the
// executable's folder without trailing separators, the registered install location; later
// duplicates (ignoring case) dropped.
std::vector<std::wstring> InstallationCandidates(const std::optional<std::wstring>& explicitDir,
                                                 std::wstring_view executableDir,
                                                 const std::optional<std::wstring>& registeredLocation);

// The recorded folders above the full install directory that its self-deletion may remove once
// the directory itself is gone: fully qualified paths of folders that contain it, innermost first,
// each once. Anything else a record names there (a sibling, the directory itself, a folder
// elsewhere) is dropped.
std::vector<std::wstring> ParentsToRemove(std::wstring_view installDir, const std::vector<std::wstring>& recorded);

// The command processor's arguments: wait two seconds, delete "uninstall.exe" in dir, remove dir,
// then each of the parents in the order given (each only when it is then empty).
std::wstring SelfDeleteArguments(std::wstring_view dir, const std::vector<std::wstring>& parents = {});

}  // namespace Ravenquill::Core::UninstallRules
