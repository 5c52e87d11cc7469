#include "app/wizard_startup.h"

namespace Ravenquill::Program {

Ui::ThemeMode WizardThemeMode(const Core::InstallManifest& manifest, const Core::CommandLineOptions& options) {
    return Ui::SystemTheme::ParseMode(options.Theme ? std::wstring_view(*options.Theme)
                                                    : std::wstring_view(manifest.Theme));
}

Ui::Theme WizardTheme(const Core::InstallManifest& manifest, const Core::CommandLineOptions& options) {
    Ui::Theme theme = Ui::Theme::Resolve(WizardThemeMode(manifest, options));
    theme.ApplyAccent(manifest.EffectiveAccent());
    return theme;
}

}  // namespace Ravenquill::Program
