#include "payload_source.h"

#include "buffered_read_stream.h"
#include "checked_math.h"
#include "core/common/file_system.h"
#include "core/common/host.h"
#include "core/common/path.h"
#include "folder_payload_source.h"
#include "packed_payload_source.h"
#include "zip_payload_source.h"

namespace Ravenquill::Core {

std::int64_t PayloadSource::TotalBytes() const {
    std::int64_t total = 0;
    for (const PayloadEntry& entry : Entries()) total = PayloadDetail::CheckedAdd(total, entry.Length);
    return total;
}

std::unique_ptr<EntryReader> PayloadSource::ReadInOrder(std::vector<const PayloadEntry*>,
                                                        const ReadAheadOptions&) const {
    return OpenEachInTurn();
}

std::unique_ptr<PayloadSource> PayloadSource::Open() {
    const HostEnvironment& host = Host();
    if (const auto package = host.FindEmbeddedResource(L"Ravenquill.Payload.rqpk"))
        return std::make_unique<PackedPayloadSource>(std::make_unique<MemoryReadStream>(*package));
    if (const auto zip = host.FindEmbeddedResource(L"Ravenquill.Payload.zip"))
        return std::make_unique<ZipPayloadSource>(std::make_unique<MemoryReadStream>(*zip), L"Ravenquill.Payload.zip");

    const std::wstring directory = ExecutableDirectory();
    if (const std::wstring path = Path::Combine(directory, L"payload.rqpk"); FileSystem::FileExists(path))
        return std::make_unique<PackedPayloadSource>(OpenPayloadFile(path));
    if (const std::wstring path = Path::Combine(directory, L"payload.zip"); FileSystem::FileExists(path))
        return std::make_unique<ZipPayloadSource>(OpenPayloadFile(path), path);
    if (const std::wstring path = Path::Combine(directory, L"payload"); FileSystem::DirectoryExists(path))
        return std::make_unique<FolderPayloadSource>(path);
    return nullptr;
}

}  // namespace Ravenquill::Core
