#pragma once
// The one whole-file write of the system (the install record, a saved screenshot): create or
// replace the file, write every byte, close it in every case. Failures are the I/O kinds of
// errors.h; a file interrupted by one is left as far as it was written.
#include <cstddef>
#include <span>
#include <string>

namespace Ravenquill {

enum class WriteSharing {
    // Others may read the file while it is written (Windows; the native build has no sharing modes).
    AllowReaders,
    // Nobody else opens the file until it is complete.
    Exclusive,
};

// A path holding U+0000 is refused with ArgumentException: the system would cut it short there.
void WriteAllBytes(const std::wstring& path, std::span<const std::byte> bytes,
                   WriteSharing sharing = WriteSharing::AllowReaders);

}  // namespace Ravenquill
