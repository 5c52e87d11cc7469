#pragma once
// Writes one Windows shell link (".lnk") through the shell's link object. Links are never read
// back by the system: rollback and uninstallation delete them by path.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Ravenquill::Core::Shortcut {

// The shell shows at most this much of a link's comment.
inline constexpr std::size_t MaxDescriptionLength = 250;

// Windows: writes the link at lnkPath (the full path of the ".lnk" file, replaced when it exists),
// creating its folder first. Without workingDir the link starts in the target's folder; empty
// arguments or description set none; an icon path that names no existing file leaves the target's
// own icon. A failed link call throws InvalidOperationException; a folder that cannot be made, the
// file system's own error.
void Create(const std::wstring& lnkPath, const std::wstring& target,
            const std::optional<std::wstring>& workingDir = std::nullopt,
            const std::optional<std::wstring>& description = std::nullopt,
            const std::optional<std::wstring>& iconPath = std::nullopt,
            const std::optional<std::wstring>& arguments = std::nullopt);

// Nothing for a success code; for a failure code the HResultException (an invalid-operation
// error) "Ошибка при создании ярлыка: 0x" and the code as eight upper-case hexadecimal digits.
void ThrowIfFailed(std::int32_t hr);
// workingDir when given, else the target's folder (empty when it has none).
std::wstring WorkingDirectoryFor(std::wstring_view target, const std::optional<std::wstring>& workingDir);
// The description cut to its first MaxDescriptionLength characters.
std::wstring DescriptionFor(std::wstring_view description);

}  // namespace Ravenquill::Core::Shortcut
