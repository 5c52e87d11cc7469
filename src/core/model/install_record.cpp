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
    // Only a file is a record: a directory of its name (or a path with U+0000, which names
    // nothing) is none.
    const std::wstring path = PathFor(installDir);
    if (!FileSystem::FileExists(path)) return std::nullopt;
    std::wstring text;
    try {
        const std::unique_ptr<ReadStream> stream = OpenFileForRead(path);
        // A record this large is not one the installer wrote; it is not read into memory.
        if (stream->Length() > static_cast<std::int64_t>(CoreJson::MaxTextBytes)) return std::nullopt;
        text = CoreJson::DecodeText(stream->ReadToEnd());
    } catch (const IOException&) {
        return std::nullopt;
    }
    return CoreJson::ReadRecord(text);
}

}  // namespace Ravenquill::Core
