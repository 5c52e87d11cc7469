#include <windows.h>

#include "core/common/long_path.h"
#include "core/common/unique_handle.h"
#include "core/common/win32_error.h"
#include "folder_listing.h"

namespace Ravenquill::Core::PayloadDetail {
namespace {

void ListInto(const std::wstring& directory, const std::wstring& relativeDirectory, std::vector<ListedFile>& files) {
    WIN32_FIND_DATAW data{};
    UniqueFindHandle find(FindFirstFileExW(LongPath(directory + L"\\*").c_str(), FindExInfoBasic, &data,
                                           FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND) return;  // a drive root with nothing on it has no "." entry either
        ThrowWin32Error(code, directory);
    }
    for (;;) {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") {
            const std::wstring relative = relativeDirectory.empty() ? name : relativeDirectory + L"\\" + name;
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                // Junctions and directory links are not followed: they could lead in a circle.
                if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
                    ListInto(directory + L"\\" + name, relative, files);
            } else {
                const auto length =
                    static_cast<std::int64_t>((std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
                files.push_back(ListedFile{relative, length});
            }
        }
        if (!FindNextFileW(find.get(), &data)) {
            const DWORD code = GetLastError();
            if (code == ERROR_NO_MORE_FILES) return;
            ThrowWin32Error(code, directory);
        }
    }
}

}  // namespace

std::vector<ListedFile> ListFilesBelow(const std::wstring& root) {
    std::wstring directory = root;
    while (directory.size() > 1 && (directory.back() == L'\\' || directory.back() == L'/')) directory.pop_back();
    std::vector<ListedFile> files;
    ListInto(directory, L"", files);
    return files;
}

}  // namespace Ravenquill::Core::PayloadDetail
