#pragma once
// The one file write the PNG writer needs: create (or truncate) a file for exclusive access, write
// all bytes, close it in every case.
#include <cstdint>
#include <span>
#include <string>

namespace Ravenquill::Ui::Detail {

// File-system failures are the platform's I/O errors; a file interrupted by one is left as far as
// it was written.
void WriteNewFile(const std::wstring& path, std::span<const std::uint8_t> bytes);

}  // namespace Ravenquill::Ui::Detail
