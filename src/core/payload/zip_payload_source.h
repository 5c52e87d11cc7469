#pragma once
// A zip archive presented as a payload source: stored and deflate entries (and whatever else the
// zip layer reads), directory entries skipped, names taken raw and decoded as UTF-8.
#include <memory>
#include <string_view>
#include <vector>

#include "payload_source.h"

namespace Ravenquill::Core {

class ZipPayloadSource final : public PayloadSource {
public:
    // Takes ownership of the stream (a non-seekable one is copied into memory first) and reads the
    // archive's directory. An archive that cannot be opened fails with InvalidDataException, whose
    // Russian message names the payload by the name given (its file, or the embedded resource) and
    // says why.
    explicit ZipPayloadSource(std::unique_ptr<ReadStream> stream, std::wstring_view name = {});
    // Closes the archive and its stream; entry streams still open fail from then on.
    ~ZipPayloadSource() override;

    const std::vector<PayloadEntry>& Entries() const override { return entries_; }

    struct Archive;

private:
    std::shared_ptr<Archive> archive_;
    std::vector<PayloadEntry> entries_;
};

}  // namespace Ravenquill::Core
