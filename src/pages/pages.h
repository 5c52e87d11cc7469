#pragma once
// How one page makes another without knowing its type: each page's source file defines its own
// maker here, so the pages depend on one another only through these declarations.
#include <memory>
#include <string>

#include "core/engine/engines/uninstall_engine.h"
#include "core/model/install_record.h"
#include "shell/page.h"
#include "shell/wizard.h"

namespace Ravenquill::Pages {

// The first page of an installation or an update.
std::shared_ptr<Shell::IPage> MakeWelcomePage(Shell::Wizard& wizard);
// The settings of the installation, scrolled to the top.
std::shared_ptr<Shell::IPage> MakeOptionsPage(Shell::Wizard& wizard);
// The removal confirmation, for the installation found on this machine.
std::shared_ptr<Shell::IPage> MakeUninstallPage(Shell::Wizard& wizard);

// A live installation run (the wizard's progress-page factory).
std::shared_ptr<Shell::IPage> MakeInstallProgressPage(Shell::Wizard& wizard);
// A live removal of the installation found on this machine.
std::shared_ptr<Shell::IPage> MakeUninstallProgressPage(Shell::Wizard& wizard, Core::FoundInstallation target);
// The screenshot mode's progress page: a fixed preview state that never starts a run.
std::shared_ptr<Shell::IPage> MakePreviewProgressPage(Shell::Wizard& wizard);

// The result pages.
std::shared_ptr<Shell::IPage> MakeInstalledPage(Shell::Wizard& wizard, Core::InstallRecord record);
std::shared_ptr<Shell::IPage> MakeUninstalledPage(Shell::Wizard& wizard, const Core::InstallRecord& record);
std::shared_ptr<Shell::IPage> MakeInstallCancelledPage(Shell::Wizard& wizard);
std::shared_ptr<Shell::IPage> MakeUninstallCancelledPage(Shell::Wizard& wizard);
std::shared_ptr<Shell::IPage> MakeFailedPage(Shell::Wizard& wizard, std::wstring message);

}  // namespace Ravenquill::Pages
