#pragma once
// The entry routine of the whole program: reads the command line and the manifest, then runs
// exactly one mode (the usage text, the screenshot mode, the silent run or the wizard) and gives
// its exit code, which the process entry makes the process's.
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/model/command_line_options.h"
#include "core/model/install_manifest.h"

namespace Ravenquill::Program {

using ManifestPtr = std::shared_ptr<const Core::InstallManifest>;

// What Main chooses among; Main(arguments) passes the real ones, tests their own.
struct Modes {
    std::function<Core::InstallManifest()> LoadManifest;
    std::function<void()> PrintUsage;
    std::function<int(ManifestPtr, const Core::CommandLineOptions&, const std::wstring& directory)> RenderScreenshots;
    std::function<int(ManifestPtr, const Core::CommandLineOptions&)> RunSilent;
    std::function<int(ManifestPtr, const Core::CommandLineOptions&)> ShowWizard;
};

// The command line as it is read once: the parsed options and the screenshot mode's directory
// (FindSelfTestDir), which the raw arguments alone decide.
struct CommandLine {
    Core::CommandLineOptions Options;
    std::optional<std::wstring> SelfTestDir;
};
CommandLine ParseCommandLine(std::span<const std::wstring> arguments);

enum class Mode { Usage, Screenshots, Silent, Wizard };
// The one order of choice: help, screenshots, silent run, otherwise the wizard.
Mode ChooseMode(const CommandLine& commandLine) noexcept;

// Windows: the program with its real modes. The arguments exclude the program's own path. Failures
// of the manifest loading and of the chosen mode reach the caller.
int Main(const CommandLine& commandLine);
int Main(std::span<const std::wstring> arguments);
// Loads the manifest (before any mode, the usage text included), then runs the chosen mode.
int Main(const CommandLine& commandLine, const Modes& modes);
// The same for the arguments, parsed.
int Main(std::span<const std::wstring> arguments, const Modes& modes);

// The screenshot mode's output directory: the value of the first argument that, once its leading
// '-' and '/' are gone, begins with "self-test=" in any letter case; its enclosing double quotes
// are removed. Nothing when no argument does; an empty value is a directory too.
std::optional<std::wstring> FindSelfTestDir(std::span<const std::wstring> arguments);

// The 14 lines of the usage text, separated by CR LF, without a line end after the last.
std::wstring_view UsageText() noexcept;
// What a redirected standard output receives: the usage text and a line end, in UTF-8.
std::string UsageBytes();
// Windows: the usage text to the standard output when that is a file or a pipe, else to the
// console of the parent process when there is one, else nowhere. Never fails.
void PrintUsage();

}  // namespace Ravenquill::Program
