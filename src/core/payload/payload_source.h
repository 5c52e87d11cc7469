#pragma once
// The set of files an installation copies, whatever holds them: a package, a zip or a folder.
// Dispose is the destructor; what a source owns is released there.
#include <cstdint>
#include <memory>
#include <vector>

#include "entry_reader.h"
#include "payload_entry.h"

namespace Ravenquill::Core {

class PayloadSource {
public:
    virtual ~PayloadSource() = default;
    PayloadSource() = default;
    PayloadSource(const PayloadSource&) = delete;
    PayloadSource& operator=(const PayloadSource&) = delete;

    // The files in source order; the same list on every call.
    virtual const std::vector<PayloadEntry>& Entries() const = 0;

    // A reader of these entries of this source, to be opened in this order (others may be opened
    // too, decoded on their own). Nothing is decoded for an entry that is not listed. The reader
    // must not outlive the source; its threads are gone once it is destroyed.
    virtual std::unique_ptr<EntryReader> ReadInOrder(std::vector<const PayloadEntry*> order,
                                                     const ReadAheadOptions& options) const;

    // Sum of the entries' lengths, summed anew on every call (checked: a hostile index cannot wrap it).
    std::int64_t TotalBytes() const;

    // The first payload found: the embedded "Ravenquill.Payload.rqpk", the embedded
    // "Ravenquill.Payload.zip", then "payload.rqpk", "payload.zip" and the folder "payload" beside
    // the executable. None when nothing is there. The choice is final: a candidate that fails to
    // open fails this call.
    static std::unique_ptr<PayloadSource> Open();
};

}  // namespace Ravenquill::Core
