#pragma once
// The parsed command line of one run, and the argument list of the elevated relaunch that the
// elevated copy parses back through the same grammar.
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Ravenquill::Core {

class CommandLineOptions {
public:
    std::optional<std::wstring> InstallDir;
    std::vector<std::wstring> Components;
    std::optional<std::wstring> Theme;
    bool Uninstall = false;
    bool Silent = false;
    bool ShowHelp = false;
    bool AddToPath = false;
    bool KeepData = false;
    bool ComponentsSpecified = false;
    bool Elevated = false;
    // Relaunch only, never listed in the usage text: PATH was turned off although the manifest would
    // turn it on, so the elevated copy must not fall back to that default.
    bool NoAddToPath = false;
    // Unset: the manifest (and for the scope the administrator test) decides.
    std::optional<bool> PerMachine;
    std::optional<bool> DesktopShortcut;
    std::optional<bool> StartMenuShortcut;

    // Never fails: unrecognised or malformed arguments are ignored. The arguments exclude the
    // program's own path.
    static CommandLineOptions Parse(std::span<const std::wstring> arguments);

    // Splits one normalised argument at its first '=' or ':'; the value is absent without one.
    static std::pair<std::wstring, std::optional<std::wstring>> SplitKeyValue(std::wstring_view argument);

    // The arguments of the elevated relaunch for the caller's effective choices; Uninstall,
    // Silent and KeepData come from this object. The "--dir=" item carries its own quotes.
    std::vector<std::wstring> ToArguments(std::wstring_view installDir, bool perMachine, bool desktopShortcut,
                                          bool startMenuShortcut, bool addToPath,
                                          std::span<const std::wstring> selectedComponentIds) const;
};

}  // namespace Ravenquill::Core
