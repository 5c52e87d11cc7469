#pragma once
// The system's one thin layer over the file system, for every layer: existence tests, folders,
// the drive's free space, the temporary and the known folders, and the engines' file operations.
// Failures are the exception kinds of errors.h carrying the system error code (sharing violation,
// access denied, path too long, not found), so callers can route them. Deletions never follow a
// junction or a symbolic link: a link is removed as a link and what it points to is left alone.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace Ravenquill::FileSystem {

// ---- Both builds ----

// An existing file (not a directory). An empty path, or one holding U+0000 (the platform would
// cut it short there), names nothing.
bool FileExists(const std::wstring& path);
// An existing directory; the same paths name nothing.
bool DirectoryExists(const std::wstring& path);

// Creates the directory and its missing parents; returns the directories it made, outermost
// first. A file in the way fails with the platform's error.
std::vector<std::wstring> CreateDirectories(const std::wstring& path);

// The bytes on the drive of the directory that the current user may still use (quotas
// counted): GetDiskFreeSpaceExW's bytes available to the caller. A missing drive or directory
// fails with the platform's error.
std::uint64_t FreeBytesAvailable(const std::wstring& directory);

// The user's temporary directory as the platform names it, with a separator at the end.
std::wstring TempDirectory();

// ---- Windows builds only (no native definitions) ----

enum class KnownFolder {
    Desktop,
    PublicDesktop,
    Programs,
    CommonPrograms,
    RoamingAppData,
};

// The folder's path; none when the system has no such folder (or names it empty).
std::optional<std::wstring> KnownFolderPath(KnownFolder folder);

// The size of the file; none when there is no file.
std::optional<std::int64_t> FileSize(const std::wstring& path);
// True for a directory that is a junction or a symbolic link.
bool IsLinkedDirectory(const std::wstring& path);

// Opens the file for reading, shared with nobody, and closes it again: fails with the sharing
// violation while any other program holds it open, also one that would let it be renamed (as a
// running program does).
void ThrowIfInUse(const std::wstring& path);

// Clears read-only, hidden, system and every other attribute.
void SetNormalAttributes(const std::wstring& path);

// Deletes the file (attributes reset first); nothing when no file is there.
void DeleteFileIfExists(const std::wstring& path);

// Removes the directory when it exists and holds no entry at all; a link is left alone.
void DeleteDirectoryIfEmpty(const std::wstring& path);

// Removes the directory with everything in it. Links inside are removed as links, never entered;
// the directory itself must not be a link (it is then left alone).
void DeleteTree(const std::wstring& path);

// Moves within one volume; fails when the target exists.
void MoveFileTo(const std::wstring& from, const std::wstring& to);

// Copies a whole file, replacing the target.
void CopyFileTo(const std::wstring& from, const std::wstring& to);

// Names of the files (not directories) directly in the folder that match the pattern, in the
// system's listing order.
std::vector<std::wstring> ListFiles(const std::wstring& directory, const std::wstring& pattern);

// A file being written: created or truncated, write access, shared with nobody.
class FileWriter {
public:
    explicit FileWriter(const std::wstring& path);
    // Creates the file only where no file or folder of that name is; empty when one is. A fresh
    // installation learns that in the one call that makes the file, without asking first.
    [[nodiscard]] static std::optional<FileWriter> CreateNew(const std::wstring& path);
    ~FileWriter();
    FileWriter(FileWriter&&) noexcept;
    FileWriter& operator=(FileWriter&&) noexcept;
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;
    void Write(std::span<const std::byte> bytes);
    // Flushes and closes; failures of closing are reported here, not in the destructor.
    void Close();

private:
    struct State;
    // The file opened (replaced, or made only where nothing is); a null handle when it could not be.
    static std::unique_ptr<State> Open(const std::wstring& path, bool onlyNew);
    explicit FileWriter(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

}  // namespace Ravenquill::FileSystem
