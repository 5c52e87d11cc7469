#include "app/silent_log.h"

#include <span>

#include "core/common/text.h"

namespace Ravenquill::SilentRun {

LogFile::LogFile(const std::wstring& path) : file_(path) {
    if (file_.WasEmpty()) {
        static constexpr unsigned char ByteOrderMark[] = {0xEF, 0xBB, 0xBF};
        file_.Append(std::as_bytes(std::span(ByteOrderMark)));
    }
}

void LogFile::WriteLine(const std::wstring& line) {
    // A message is one line whatever it quotes (a manifest's text, a platform's words): a line
    // break or a terminal's escape in it would forge lines of its own.
    const std::string bytes = Text::ToUtf8(Text::EscapeControls(line)) + "\r\n";
    file_.Append(std::as_bytes(std::span(bytes)));
}

}  // namespace Ravenquill::SilentRun
