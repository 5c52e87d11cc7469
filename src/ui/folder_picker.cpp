#include "ui/folder_picker.h"

#include "core/common/path.h"
#include "core/common/text.h"

namespace Ravenquill::Ui::FolderDialog {

std::wstring NearestExistingFolder(const std::optional<std::wstring>& path,
                                   const std::function<bool(const std::wstring&)>& isDirectory) {
    if (!path || Text::IsNullOrWhiteSpace(*path)) return {};
    std::wstring candidate = *path;
    while (!candidate.empty() && !isDirectory(candidate)) {
        std::wstring parent = Path::GetDirectoryName(candidate);
        // A parent is always shorter; the guard only keeps an odd path from looping.
        if (parent.size() >= candidate.size()) return {};
        candidate = std::move(parent);
    }
    return candidate;
}

}  // namespace Ravenquill::Ui::FolderDialog
