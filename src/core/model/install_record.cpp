#include "core/model/install_record.h"

#include "core/common/errors.h"
#include "core/common/file_system.h"
#include "core/common/file_write.h"
#include "core/common/path.h"
#include "core/common/read_stream.h"
#include "core/common/text.h"
#include "core/model/core_json.h"

namespace Ravenquill::Core {

std::wstring InstallRecord::PathFor(std::wstring_view installDir) {
    return Path::Combine(installDir, L".ravenquill", L"record.json");
}

void InstallRecord::Save(const InstallRecord& record, std::wstring_view installDir) {
    // The platform would take U+0000 as the end of the path and write the record somewhere else.
    if (installDir.find(L'\0') != std::wstring_view::npos) throw ArgumentException(L"Null character in path.");
    const std::wstring path = PathFor(installDir);
    FileSystem::CreateDirectories(Path::GetDirectoryName(path));
    std::string bytes = "\xEF\xBB\xBF" + Text::ToUtf8(CoreJson::WriteRecord(record));
    WriteAllBytes(path, std::as_bytes(std::span(bytes)));
}

std::optional<InstallRecord> InstallRecord::Load(std::wstring_view installDir) {
    try {
        return Read(installDir);
    } catch (const IOException&) {
        return std::nullopt;
    }
}

std::optional<InstallRecord> InstallRecord::Read(std::wstring_view installDir) {
    // Only a file is a record: a directory of its name (or a path with U+0000, which names
    // nothing) is none.
    const std::wstring path = PathFor(installDir);
    if (path.find(L'\0') != std::wstring::npos || FileSystem::DirectoryExists(path)) return std::nullopt;
    // Asked by opening it rather than by its attributes first: an existence test answers "no" for
    // every failure, and a file that is there but refuses to be looked at is not a missing one.
    std::unique_ptr<ReadStream> stream;
    try {
        stream = OpenFileForRead(path);
    } catch (const FileNotFoundException&) {
        return std::nullopt;
    } catch (const DirectoryNotFoundException&) {
        return std::nullopt;
    }
    // A record this large is not one the installer wrote; it is not read into memory.
    if (stream->Length() > static_cast<std::int64_t>(CoreJson::MaxTextBytes)) return std::nullopt;
    return CoreJson::ReadRecord(CoreJson::DecodeText(stream->ReadToEnd()));
}

}  // namespace Ravenquill::Core
