// The command-line grammar over arbitrary arguments (the input split at NUL bytes, each piece
// UTF-8): parsing never fails, and the relaunch arguments built from what was parsed parse back
// to the same choices.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "core/common/text.h"
#include "core/model/command_line_options.h"

using namespace Ravenquill;
using namespace Ravenquill::Core;

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::wstring> arguments;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    for (std::size_t start = 0; start <= input.size();) {
        const std::size_t end = std::min(input.find('\0', start), input.size());
        arguments.push_back(Text::FromUtf8(input.substr(start, end - start)));
        start = end + 1;
    }
    const CommandLineOptions options = CommandLineOptions::Parse(arguments);

    const bool perMachine = options.PerMachine.value_or(false);
    const bool desktop = options.DesktopShortcut.value_or(false);
    const bool startMenu = options.StartMenuShortcut.value_or(false);
    const std::vector<std::wstring> relaunch = options.ToArguments(
        options.InstallDir.value_or(L""), perMachine, desktop, startMenu, options.AddToPath, options.Components);
    const CommandLineOptions again = CommandLineOptions::Parse(relaunch);
    Require(again.Elevated);
    Require(again.Uninstall == options.Uninstall && again.Silent == options.Silent &&
            again.KeepData == options.KeepData && again.AddToPath == options.AddToPath);
    // Parsed straight from the items, an absent directory's empty pair of quotes reads as an
    // empty directory (the platform's splitting would take the quotes off and leave none).
    Require(again.InstallDir.value_or(L"") == options.InstallDir.value_or(L""));
    Require(again.PerMachine == perMachine);
    Require(again.DesktopShortcut == desktop && again.StartMenuShortcut == startMenu);
    Require(again.ComponentsSpecified && again.Components == options.Components);
    Require(!again.ShowHelp && !again.Theme);
    return 0;
}
