#include "folder_payload_source.h"

#include <algorithm>

#include "buffered_read_stream.h"
#include "core/common/errors.h"
#include "core/common/path.h"
#include "folder_listing.h"

namespace Ravenquill::Core {

FolderPayloadSource::FolderPayloadSource(const std::wstring& root) {
    if (root.find(L'\0') != std::wstring::npos) throw ArgumentException(L"Null character in path.");
    for (PayloadDetail::ListedFile& file : PayloadDetail::ListFilesBelow(root)) {
        std::wstring nativeRelative = file.RelativePath;
        std::replace(nativeRelative.begin(), nativeRelative.end(), L'\\', Path::Separator);
        entries_.push_back(
            PayloadEntry{std::move(file.RelativePath), file.Length,
                         [path = Path::Combine(root, nativeRelative)] { return OpenPayloadFile(path); }});
    }
}

}  // namespace Ravenquill::Core
