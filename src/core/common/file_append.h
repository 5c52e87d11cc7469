#pragma once
// A file that several processes append to at once (the silent run's log, which an elevated copy
// writes while the copy that started it still holds it open): opened or created for appending,
// shared with other readers and writers, each Append landing whole at the end of the file as it is
// then. Failures are the I/O kinds of errors.h.
#include <cstddef>
#include <memory>
#include <span>
#include <string>

namespace Ravenquill {

class AppendFile {
public:
    // Creates the file when it is missing. A path holding U+0000 is refused with ArgumentException.
    explicit AppendFile(const std::wstring& path);
    ~AppendFile();
    AppendFile(AppendFile&&) noexcept;
    AppendFile& operator=(AppendFile&&) noexcept;
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    // Whether the file held nothing when it was opened.
    bool WasEmpty() const noexcept { return wasEmpty_; }
    // One write at the current end of the file; nothing is buffered.
    void Append(std::span<const std::byte> bytes);

private:
    struct Handle;
    std::unique_ptr<Handle> handle_;
    std::wstring path_;
    bool wasEmpty_ = false;
};

}  // namespace Ravenquill
