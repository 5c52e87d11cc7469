#pragma once
// Whether a logo is one the installer shows: a PNG that its own decoder reads, at most
// MaxLogoSide pixels a side (installer_check.h). The wizard draws the monogram in silence for
// anything else.
#include <string>
#include <vector>

namespace Ravenquill::Tools {

// What is wrong with the logo file, one text per fault; empty for a logo the installer shows.
std::vector<std::wstring> CheckLogo(const std::wstring& path);

}  // namespace Ravenquill::Tools
