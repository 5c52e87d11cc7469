#pragma once
// What the wizard and the screenshot mode both start from: the sidebar's header data with the
// step rail of the mode, and the embedded logo made into a bitmap on the drawing surface.
#include <memory>

#include "core/model/command_line_options.h"
#include "core/model/install_manifest.h"
#include "shell/shell_state.h"
#include "ui/canvas.h"

namespace Ravenquill::Program {

// The manifest's name, version and publisher, the monogram, and the rail of an uninstallation
// (three steps) or an installation (four, five with a licence step); no step marked yet.
std::shared_ptr<Shell::ShellState> BuildShellState(const Core::InstallManifest& manifest,
                                                   const Core::CommandLineOptions& options);

// The first letter of the trimmed product name in upper case, "?" for a blank name.
std::wstring Monogram(std::wstring_view productName);

// The embedded "Ravenquill.Logo.png" as a bitmap on the canvas's target (the surface's), or
// nothing when the resource is missing or is no image the PNG reader takes.
std::shared_ptr<Ui::CanvasBitmap> LoadLogo(Ui::Canvas& canvas);

}  // namespace Ravenquill::Program
