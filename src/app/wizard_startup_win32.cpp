#include <memory>

#include "app/process_end_win32.h"
#include "app/shell_startup.h"
#include "app/wizard_startup.h"
#include "core/engine/engines/engine_services.h"
#include "pages/pages.h"
#include "shell/installer_window_win32.h"
#include "shell/shell_platform.h"
#include "shell/wizard.h"
#include "ui/graphics_win32.h"

namespace Ravenquill::Program {

int ShowWizard(ManifestPtr manifest, const Core::CommandLineOptions& options) {
    const Ui::Theme theme = WizardTheme(*manifest, options);
    // One single-threaded Direct2D factory and one shared DirectWrite factory for the process.
    const Interop::ComPtr<ID2D1Factory> d2d = Interop::Graphics::CreateD2DFactory();
    const Interop::ComPtr<IDWriteFactory> dwrite = Interop::Graphics::CreateDWriteFactory();

    const std::shared_ptr<Shell::ShellState> state = BuildShellState(*manifest, options);
    auto wizard = std::make_unique<Shell::Wizard>(manifest, options, theme, state, Core::EngineServices::System(),
                                                  Shell::ShellPlatform::System());
    wizard->MakeProgressPage = Pages::MakeInstallProgressPage;
    // Shown before the window exists: the step rail is marked and no frame is asked for yet.
    wizard->Show(options.Uninstall ? Pages::MakeUninstallPage(*wizard) : Pages::MakeWelcomePage(*wizard));

    auto window = std::make_unique<Shell::InstallerWindow>(*wizard);
    int result = 1;
    try {
        result = window->Run(d2d.Get(), dwrite.Get(), L"Установка " + manifest->ProductName,
                             [state](Shell::Surface& surface) { state->Logo = LoadLogo(surface.Canvas()); });
    } catch (...) {
        // A run that outlived the wait may still use the wizard and its pages: they are left alive
        // while the failure travels to the process entry, which reports it and ends the process.
        if (window->RunsWereLive()) {
            static_cast<void>(window.release());
            static_cast<void>(wizard.release());
        }
        throw;
    }
    // A removal done in the window leaves its running uninstaller behind; this process ends right
    // after, before the self-deletion's wait is over.
    wizard->WindowClosed();
    if (window->RunsWereLive()) {
        // The same for a plain close: the process ends here, before anything of them is destroyed.
        EndProcess(result);
    }
    return result;
}

}  // namespace Ravenquill::Program
