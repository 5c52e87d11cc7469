#pragma once
// The engines' one thin layer over the file system. Failures are the exception kinds of
// core/common/errors.h carrying the system error code (sharing violation, access denied, path too
// long, not found), so the engines can route them. Deletions never follow a junction or a symbolic
// link: a link is removed as a link and what it points to is left alone. Windows builds only.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace Ravenquill::Core::FileSystem {

bool FileExists(const std::wstring& path);
bool DirectoryExists(const std::wstring& path);
// The size of the file; none when there is no file.
std::optional<std::int64_t> FileSize(const std::wstring& path);
// True for a directory that is a junction or a symbolic link.
bool IsLinkedDirectory(const std::wstring& path);

// Creates the directory and its missing parents; returns the directories it made, outermost first.
std::vector<std::wstring> CreateDirectories(const std::wstring& path);

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
    ~FileWriter();
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;
    void Write(std::span<const std::byte> bytes);
    // Flushes and closes; failures of closing are reported here, not in the destructor.
    void Close();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace Ravenquill::Core::FileSystem
