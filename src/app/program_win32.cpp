// The program with its real modes.
#include "app/program.h"
#include "app/screenshot_mode.h"
#include "app/silent_run.h"
#include "app/wizard_startup.h"

namespace Ravenquill::Program {

int Main(const CommandLine& commandLine) {
    const Modes modes{
        .LoadManifest = [] { return Core::InstallManifest::Load(); },
        .PrintUsage = [] { PrintUsage(); },
        .RenderScreenshots = RenderScreenshots,
        .RunSilent = [](ManifestPtr manifest,
                        const Core::CommandLineOptions& options) { return SilentRun::Run(manifest, options); },
        .ShowWizard = ShowWizard,
    };
    return Main(commandLine, modes);
}

int Main(std::span<const std::wstring> arguments) { return Main(ParseCommandLine(arguments)); }

}  // namespace Ravenquill::Program
