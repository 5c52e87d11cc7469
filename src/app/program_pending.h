#pragma once
// Temporary: the entry routine's declarations until the real program lands.
#include <optional>
#include <span>
#include <string>

namespace Ravenquill::Program {

int Main(std::span<const std::wstring> arguments);
std::optional<std::wstring> FindSelfTestDir(std::span<const std::wstring> arguments);

}  // namespace Ravenquill::Program
