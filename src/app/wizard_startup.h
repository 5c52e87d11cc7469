#pragma once
// The wizard mode: the installer window on the welcome or the uninstall page.
#include "app/program.h"
#include "ui/theme.h"

namespace Ravenquill::Program {

// 0 once the window has closed, whatever happened inside it; 1 when it cannot be shown.
int ShowWizard(ManifestPtr manifest, const Core::CommandLineOptions& options);

// The palette's mode: from the command line's theme value when it holds one (an empty one
// included), else from the manifest's.
Ui::ThemeMode WizardThemeMode(const Core::InstallManifest& manifest, const Core::CommandLineOptions& options);
// That mode's palette (the automatic mode reads the system's setting now, once), with the
// manifest's accent.
Ui::Theme WizardTheme(const Core::InstallManifest& manifest, const Core::CommandLineOptions& options);

}  // namespace Ravenquill::Program
