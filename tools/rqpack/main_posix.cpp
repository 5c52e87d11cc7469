#include <cstdio>

#include "core/common/text.h"
#include "rqpack_command.h"

namespace {

void WriteLine(std::FILE* stream, const std::wstring& line) {
    const std::string utf8 = Ravenquill::Text::ToUtf8(line) + "\n";
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i) args.push_back(Ravenquill::Text::FromUtf8(argv[i]));
    return Ravenquill::Tools::RunRqpack(args, {[](const std::wstring& line) { WriteLine(stdout, line); },
                                               [](const std::wstring& line) { WriteLine(stderr, line); }});
}
