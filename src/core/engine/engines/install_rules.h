#pragma once
// The pure rules of installing and uninstalling: component membership, which paths lie inside the
// install directory, the order in which directories are removed, and the texts of sizes and
// durations. No file system access, so they are tested natively as well.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/model/install_manifest.h"

namespace Ravenquill::Core::InstallRules {

// True when the payload path equals the component prefix or lies under it ('/' in the prefix reads
// as '\', trailing separators are ignored; letter case is ignored). A prefix of separators only
// owns nothing.
bool IsSameOrUnder(std::wstring_view path, std::wstring_view prefix) noexcept;

// True when the component has a prefix that is not blank: only such a component owns files.
bool OwnsFiles(const ComponentDefinition& component) noexcept;

// The index of the component that owns the payload path: the first that owns files and whose
// prefix the path IsSameOrUnder. None: the path belongs to no component and is always installed.
std::optional<std::size_t> OwnerOf(std::wstring_view path, const std::vector<ComponentDefinition>& components) noexcept;

// True when the full path lies strictly inside the directory (a full path too): the path begins,
// ignoring case, with the directory without trailing separators followed by a separator. A sibling
// whose name merely begins with the directory's name is outside.
bool IsInside(std::wstring_view fullPath, std::wstring_view directory) noexcept;

// The part of the full path below the directory, with '\' separators; none when the path does not
// lie strictly inside it.
std::optional<std::wstring> RelativeInside(std::wstring_view fullPath, std::wstring_view directory);

// A relative record path that stays inside the directory it is joined to: not rooted, no drive, no
// "." or ".." step, no empty step.
bool IsSafeRelativePath(std::wstring_view relative) noexcept;

// The directories in removal order: longest text first, equal lengths in their list order.
std::vector<std::wstring> RemovalOrder(std::vector<std::wstring> directories);

// "1023 Б", "1,13 КБ", "4,66 ГБ": the user's number format, at most two decimals rounded half away
// from zero, steps of 1024.
std::wstring FormatSize(std::int64_t bytes);

// Seconds with exactly one decimal, rounded half away from zero, in the user's number format.
std::wstring FormatSeconds(double seconds);

// The most UTF-16 units that one component of a path may hold.
inline constexpr std::size_t MaxNameLength = 255;

// The longest product id: it names the silent run's log file "Ravenquill-" + id + ".log", one name
// of at most MaxNameLength units (and the product's uninstall key, whose name may be as long).
inline constexpr std::size_t MaxProductIdLength = MaxNameLength - 15;

// The name under which a file is kept aside: the file's own name followed by the suffix, the name
// cut short (never between the two halves of a surrogate pair) so that the whole stays within
// MaxNameLength. The suffix must itself be shorter than that.
std::wstring AsideName(std::wstring_view name, std::wstring_view suffix);

// True when the name can be used as one folder name joined to a parent: not empty or white space,
// no separator, no drive colon, not "." or "..".
bool IsPlainFolderName(std::wstring_view name) noexcept;

// True when the text can stand as one file name of its own in any folder: not empty, none of the
// characters \ / : * ? " < > | and no control character, not "." or "..", not ending in a dot or a
// space. The product id names the silent run's log file in the temporary folder.
bool IsSingleFileName(std::wstring_view name) noexcept;

// True when the product id can name the product's uninstall entry and the silent run's log file:
// one file name of its own and no longer than MaxProductIdLength.
bool IsUsableProductId(std::wstring_view id) noexcept;

// The text with each character that no file name may hold (those above) replaced by '_', so that
// it stays one name inside the folder it is joined to.
std::wstring ToFileNamePart(std::wstring_view text);

}  // namespace Ravenquill::Core::InstallRules
