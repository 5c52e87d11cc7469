#pragma once
// The wizard's vector icons as path texts (see geometry.h for the mini-language). Each is stroked
// into a rectangle that its caller chooses; the canvas caches one geometry per text.
#include <string_view>

namespace Ravenquill::Ui::Icons {

// Check boxes and component rows.
inline constexpr std::wstring_view SmallCheckMark = L"M 0,4.2 L 3.4,7.6 L 9.4,1.2";
// Completed steps of the step rail and the success badge.
inline constexpr std::wstring_view CheckMark = L"M 0,5 L 4.2,9.2 L 12,1";
// Caption buttons: a horizontal line and a cross of two open figures.
inline constexpr std::wstring_view Minimize = L"M 0,0 L 11,0";
inline constexpr std::wstring_view Close = L"M 0,0 L 10,10 M 10,0 L 0,10";
// A closed triangle with an exclamation mark (its bar and its dot as two open figures).
inline constexpr std::wstring_view Warning = L"M 8,1 L 15.5,14.5 L 0.5,14.5 Z M 8,6 L 8,10 M 8,12.2 L 8,12.6";
// The administrator note.
inline constexpr std::wstring_view Shield =
    L"M 8,1 L 14,3.4 L 14,8 C 14,11.6 11.4,14.2 8,15.4 C 4.6,14.2 2,11.6 2,8 L 2,3.4 Z";
inline constexpr std::wstring_view Trash =
    L"M 2,4 L 14,4 M 6,4 L 6,2 L 10,2 L 10,4 M 3.5,4 L 4.4,14.5 L 11.6,14.5 L 12.5,4";
inline constexpr std::wstring_view Folder = L"M 1,3 L 6,3 L 7.6,5 L 15,5 L 15,13 L 1,13 Z";

}  // namespace Ravenquill::Ui::Icons
