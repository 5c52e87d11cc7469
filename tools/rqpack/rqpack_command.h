#pragma once
// The rqpack command line, separate from main so that tests run it in-process:
//   rqpack pack <folder> <out.rqpk> [--block-size N] [--quality Q] [--threads T]
//   rqpack list <payload>
//   rqpack extract <payload> <folder> [--threads T]
//   rqpack check [--manifest <installer.json>] [--payload <payload>] [--logo <png>]
// A payload is a folder, a ".zip" file, or otherwise a package. Exit codes: 0 done, 1 failed
// (the message on the error writer; for check, any error found), 2 usage.
#include <functional>
#include <string>
#include <vector>

namespace Ravenquill::Tools {

struct CommandOutput {
    std::function<void(const std::wstring&)> Out;  // one call per line, without the line break
    std::function<void(const std::wstring&)> Err;
};

int RunRqpack(const std::vector<std::wstring>& args, const CommandOutput& output);

}  // namespace Ravenquill::Tools
