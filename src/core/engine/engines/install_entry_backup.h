#pragma once
// A copy of the product's uninstall entry as it was before an installation wrote it, so that a
// failed or cancelled update can put the earlier entry back value by value. Read and Restore are
// Windows builds only.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Ravenquill::Core::UninstallEntryBackup {

struct Value {
    std::wstring Name;
    std::uint32_t Type = 0;
    std::vector<std::byte> Data;
};
using Values = std::vector<Value>;

// The values of the entry in the hive of the scope (64-bit view); none when there is no entry or
// the product id is blank. Subkeys are not copied: the installer writes none.
std::optional<Values> Read(const std::wstring& productId, bool perMachine);

// Makes the entry hold exactly these values again (it is created when missing).
void Restore(const std::wstring& productId, bool perMachine, const Values& values);

}  // namespace Ravenquill::Core::UninstallEntryBackup
