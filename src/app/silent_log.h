#pragma once
// The silent run's log file: opened for appending and shared with other readers and writers, so an
// elevated copy started by this run appends its own lines while this one still holds the file.
// UTF-8 with a byte-order mark only in a file that was empty when opened; every line ends with
// CR LF and is written whole at once, nothing buffered, its control characters escaped. Never
// truncated or rotated.
#include <string>

#include "app/silent_run.h"
#include "core/common/file_append.h"

namespace Ravenquill::SilentRun {

class LogFile final : public LogWriter {
public:
    // Failures are the I/O kinds of errors.h (access denied as UnauthorizedAccessException).
    explicit LogFile(const std::wstring& path);
    void WriteLine(const std::wstring& line) override;

private:
    AppendFile file_;
};

}  // namespace Ravenquill::SilentRun
