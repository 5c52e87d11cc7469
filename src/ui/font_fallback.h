#pragma once
// Which installed family a text is drawn in. The wizard asks for families that not every system
// has (Windows 10 lacks the variable Segoe UI faces, a plain Wine prefix all three), and a text
// format in a missing family measures nothing or fails, so a missing family is replaced by one the
// system has: "Segoe UI", then "Tahoma", then the collection's first family.
#include <functional>
#include <optional>
#include <string>

namespace Ravenquill::Ui {

// The wanted family when installed says so; else the first fallback that is installed; else
// firstFamily's answer; else (an empty collection) the wanted family, left to the platform.
std::wstring ChooseFontFamily(const std::wstring& wanted, const std::function<bool(const std::wstring&)>& installed,
                              const std::function<std::optional<std::wstring>()>& firstFamily);

}  // namespace Ravenquill::Ui
