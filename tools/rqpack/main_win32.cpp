#include <cstdio>

#include "core/common/text.h"
#include "rqpack_command.h"

namespace {

// UTF-8 bytes whether the stream is a console, a pipe or a file.
void WriteLine(std::FILE* stream, const std::wstring& line) {
    const std::string utf8 = Ravenquill::Text::ToUtf8(line) + "\n";
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    std::fflush(stream);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    return Ravenquill::Tools::RunRqpack(args, {[](const std::wstring& line) { WriteLine(stdout, line); },
                                               [](const std::wstring& line) { WriteLine(stderr, line); }});
}
