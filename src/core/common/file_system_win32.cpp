#include "file_system.h"

#include <windows.h>
// after windows.h, which they need
#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>

#include "errors.h"
#include "file_system_platform.h"
#include "long_path.h"
#include "path.h"
#include "system_text_win32.h"
#include "unique_handle.h"
#include "win32_error.h"
#include "write_all_win32.h"

namespace Ravenquill::FileSystem {
namespace {

constexpr DWORD NoAttributes = INVALID_FILE_ATTRIBUTES;

// GetLastError() tells why when there are none.
DWORD RawAttributesOf(const std::wstring& path) { return GetFileAttributesW(LongPath(path).c_str()); }

// A path the platform cannot take (U+0000 inside, or too odd to be made full) names nothing.
DWORD AttributesOf(const std::wstring& path) {
    if (path.empty() || path.find(L'\0') != std::wstring::npos) return NoAttributes;
    try {
        return GetFileAttributesW(LongPath(path).c_str());
    } catch (const Exception&) {
        return NoAttributes;
    }
}

const KNOWNFOLDERID& IdOf(KnownFolder folder) {
    switch (folder) {
        case KnownFolder::Desktop:
            return FOLDERID_Desktop;
        case KnownFolder::PublicDesktop:
            return FOLDERID_PublicDesktop;
        case KnownFolder::Programs:
            return FOLDERID_Programs;
        case KnownFolder::CommonPrograms:
            return FOLDERID_CommonPrograms;
        case KnownFolder::RoamingAppData:
            break;
    }
    return FOLDERID_RoamingAppData;
}

bool IsDirectoryAttributes(DWORD attributes) {
    return attributes != NoAttributes && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsLinkAttributes(DWORD attributes) {
    return attributes != NoAttributes && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool IsDotEntry(const wchar_t* name) {
    return (name[0] == L'.' && name[1] == 0) || (name[0] == L'.' && name[1] == L'.' && name[2] == 0);
}

bool HasEntries(const std::wstring& directory) {
    WIN32_FIND_DATAW data{};
    UniqueFindHandle find(FindFirstFileW(LongPath(Path::Combine(directory, L"*")).c_str(), &data));
    if (!find) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return false;
        ThrowWin32Error(error, directory);
    }
    do {
        if (!IsDotEntry(data.cFileName)) return true;
    } while (FindNextFileW(find.get(), &data));
    return false;
}

void RemoveDirectoryOrThrow(const std::wstring& path) {
    ThrowLastWin32ErrorIf(!RemoveDirectoryW(LongPath(path).c_str()), path);
}

void DeleteFileOrThrow(const std::wstring& path, DWORD attributes) {
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) SetNormalAttributes(path);
    ThrowLastWin32ErrorIf(!DeleteFileW(LongPath(path).c_str()), path);
}

void DeleteContents(const std::wstring& directory) {
    WIN32_FIND_DATAW data{};
    UniqueFindHandle find(FindFirstFileW(LongPath(Path::Combine(directory, L"*")).c_str(), &data));
    if (!find) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return;
        ThrowWin32Error(error, directory);
    }
    do {
        if (IsDotEntry(data.cFileName)) continue;
        const std::wstring child = Path::Combine(directory, data.cFileName);
        const DWORD attributes = data.dwFileAttributes;
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            // A junction or a directory link goes as the link itself; its target is not entered.
            if (!IsLinkAttributes(attributes)) DeleteContents(child);
            if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) SetNormalAttributes(child);
            RemoveDirectoryOrThrow(child);
        } else {
            DeleteFileOrThrow(child, attributes);
        }
    } while (FindNextFileW(find.get(), &data));
}

}  // namespace

std::optional<std::wstring> KnownFolderPath(KnownFolder folder) {
    PWSTR raw = nullptr;
    const HRESULT hr = SHGetKnownFolderPath(IdOf(folder), 0, nullptr, &raw);
    // The string is the caller's to free also when the lookup fails.
    const CoTaskMemString owned(raw);
    if (FAILED(hr) || !owned || *owned == 0) return std::nullopt;
    return std::wstring(owned.get());
}

std::uint64_t FreeBytesAvailable(const std::wstring& directory) {
    if (directory.find(L'\0') != std::wstring::npos) throw ArgumentException(L"Null character in path.");
    ULARGE_INTEGER available{};
    ThrowLastWin32ErrorIf(!GetDiskFreeSpaceExW(LongPath(directory).c_str(), &available, nullptr, nullptr), directory);
    return available.QuadPart;
}

std::wstring TempDirectory() { return TempPath(); }

bool FileExists(const std::wstring& path) {
    const DWORD attributes = AttributesOf(path);
    return attributes != NoAttributes && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const std::wstring& path) { return IsDirectoryAttributes(AttributesOf(path)); }

std::optional<std::int64_t> FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(LongPath(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return std::nullopt;
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

bool IsLinkedDirectory(const std::wstring& path) {
    const DWORD attributes = AttributesOf(path);
    return IsDirectoryAttributes(attributes) && IsLinkAttributes(attributes);
}

namespace Detail {

bool CreateOneDirectory(const std::wstring& path) {
    if (CreateDirectoryW(LongPath(path).c_str(), nullptr)) return true;
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS && DirectoryExists(path)) return false;
    ThrowWin32Error(error, path);
}

}  // namespace Detail

void ThrowIfInUse(const std::wstring& path) {
    // A link is the file that a move would take away, so the link itself is opened.
    const UniqueFileHandle file(CreateFileW(LongPath(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                            FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) ThrowLastWin32Error(path);
}

void SetNormalAttributes(const std::wstring& path) {
    ThrowLastWin32ErrorIf(!SetFileAttributesW(LongPath(path).c_str(), FILE_ATTRIBUTE_NORMAL), path);
}

void DeleteFileIfExists(const std::wstring& path) {
    const DWORD attributes = RawAttributesOf(path);
    if (attributes == NoAttributes) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return;
        // A missing folder on the way is an input/output failure, as for the platform's delete.
        ThrowWin32Error(error, path);
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return;
    SetNormalAttributes(path);
    ThrowLastWin32ErrorIf(!DeleteFileW(LongPath(path).c_str()), path);
}

void DeleteDirectoryIfEmpty(const std::wstring& path) {
    const DWORD attributes = RawAttributesOf(path);
    if (!IsDirectoryAttributes(attributes) || IsLinkAttributes(attributes)) return;
    if (HasEntries(path)) return;
    RemoveDirectoryOrThrow(path);
}

void DeleteTree(const std::wstring& path) {
    const DWORD attributes = RawAttributesOf(path);
    if (!IsDirectoryAttributes(attributes) || IsLinkAttributes(attributes)) return;
    DeleteContents(path);
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) SetNormalAttributes(path);
    RemoveDirectoryOrThrow(path);
}

void MoveFileTo(const std::wstring& from, const std::wstring& to) {
    ThrowLastWin32ErrorIf(!MoveFileExW(LongPath(from).c_str(), LongPath(to).c_str(), 0), from);
}

void CopyFileTo(const std::wstring& from, const std::wstring& to) {
    if (FileExists(to)) SetNormalAttributes(to);
    ThrowLastWin32ErrorIf(!CopyFileW(LongPath(from).c_str(), LongPath(to).c_str(), FALSE), from);
}

std::vector<std::wstring> ListFiles(const std::wstring& directory, const std::wstring& pattern) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data{};
    UniqueFindHandle find(FindFirstFileW(LongPath(Path::Combine(directory, pattern)).c_str(), &data));
    if (!find) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return names;
        ThrowWin32Error(error, directory);
    }
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.emplace_back(data.cFileName);
    } while (FindNextFileW(find.get(), &data));
    return names;
}

struct FileWriter::State {
    UniqueFileHandle file;
    std::wstring path;
};

std::unique_ptr<FileWriter::State> FileWriter::Open(const std::wstring& path, bool onlyNew) {
    auto state = std::make_unique<State>();
    state->path = path;
    // A new file is made at the name itself: a link already there (one that leads nowhere
    // included) counts as something in the way, which the caller moves aside, instead of being
    // followed to make a file wherever it points.
    const DWORD flags =
        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN | (onlyNew ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
    state->file.reset(CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                  onlyNew ? CREATE_NEW : CREATE_ALWAYS, flags, nullptr));
    return state;
}

FileWriter::FileWriter(const std::wstring& path) : state_(Open(path, false)) {
    if (!state_->file) ThrowLastWin32Error(path);
}

FileWriter::FileWriter(std::unique_ptr<State> state) : state_(std::move(state)) {}

std::optional<FileWriter> FileWriter::CreateNew(const std::wstring& path) {
    std::unique_ptr<State> state = Open(path, true);
    if (!state->file) {
        const DWORD error = GetLastError();
        // A folder of that name answers "access denied"; it is something there all the same.
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
            (error == ERROR_ACCESS_DENIED && RawAttributesOf(path) != NoAttributes))
            return std::nullopt;
        ThrowWin32Error(error, path);
    }
    return FileWriter(std::move(state));
}

FileWriter::~FileWriter() = default;
FileWriter::FileWriter(FileWriter&&) noexcept = default;
FileWriter& FileWriter::operator=(FileWriter&&) noexcept = default;

void FileWriter::Write(std::span<const std::byte> bytes) { WriteAll(state_->file.get(), bytes, state_->path); }

void FileWriter::Close() {
    if (!state_ || !state_->file) return;
    const HANDLE handle = state_->file.release();
    ThrowLastWin32ErrorIf(!CloseHandle(handle), state_->path);
}

}  // namespace Ravenquill::FileSystem
