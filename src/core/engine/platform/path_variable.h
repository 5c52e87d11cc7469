#pragma once
// Adds the install directory to the persistent PATH of the user or of the machine and removes it
// again. The stored value keeps its kind and its unexpanded text: an expandable PATH whose
// entries refer to other variables stays expandable with those references as they were, and only
// the entry that Add appends or Remove drops changes. Entries are compared on their expanded text.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace Ravenquill::Core::PathVariable {

// Trimmed of white space and then of trailing '\', the two match ordinally ignoring case.
bool SamePath(std::wstring_view a, std::wstring_view b);
// Whether a non-empty ';'-separated entry of pathValue is SamePath to dir.
bool Contains(std::wstring_view pathValue, std::wstring_view dir);

// Gives the expanded text of one stored entry (references to other variables resolved).
using EntryExpander = std::function<std::wstring(std::wstring_view entry)>;

// The stored text with dir appended (trailing ';' of the value dropped first; dir alone for an
// empty value), or nothing when an entry already expands to the same path.
[[nodiscard]] std::optional<std::wstring> AppendEntry(std::wstring_view stored, std::wstring_view dir,
                                                      const EntryExpander& expand);
// The stored text without the entries that expand to the same path as dir, and without empty
// entries; the other entries keep their stored text and order.
std::wstring RemoveEntry(std::wstring_view stored, std::wstring_view dir, const EntryExpander& expand);

// Windows: true when dir was appended, false when PATH already held it (nothing is written then).
[[nodiscard]] bool Add(const std::wstring& dir, bool machine);
// Windows: a missing or empty PATH is left alone; otherwise the edited value is written back,
// also when nothing matched, and an empty result deletes the variable.
void Remove(const std::wstring& dir, bool machine);

}  // namespace Ravenquill::Core::PathVariable
