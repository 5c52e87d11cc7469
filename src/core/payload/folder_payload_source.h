#pragma once
// A plain directory tree presented as a payload source. It holds no open handle: the listing is
// made whole at construction, and each entry opens its file when asked.
#include <string>
#include <vector>

#include "payload_source.h"

namespace Ravenquill::Core {

class FolderPayloadSource final : public PayloadSource {
public:
    // Lists every file below the root, hidden and system files included, in the platform's
    // enumeration order; a directory that cannot be listed fails the construction.
    explicit FolderPayloadSource(const std::wstring& root);

    const std::vector<PayloadEntry>& Entries() const override { return entries_; }

private:
    std::vector<PayloadEntry> entries_;
};

}  // namespace Ravenquill::Core
