#pragma once
// The folder the picker opens in: the nearest existing directory of the path the user has.
#include <functional>
#include <optional>
#include <string>

namespace Ravenquill::Ui::FolderDialog {

// Starting with the path itself, each parent in turn until one is a directory; empty when the path
// is absent, blank, or neither it nor any parent exists (the parent of a root or of a bare name is
// empty), so the picker then opens where the system chooses.
std::wstring NearestExistingFolder(const std::optional<std::wstring>& path,
                                   const std::function<bool(const std::wstring&)>& isDirectory);

}  // namespace Ravenquill::Ui::FolderDialog
