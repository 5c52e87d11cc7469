// What the wizard learns of an earlier installation from the machine itself: the entry in the
// system's list, with the scope its record gives, and settings that start from it.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "core/engine/platform/elevation.h"
#include "core/engine/platform/uninstall_registry.h"
#include "core/model/install_record.h"
#include "shell/shell_platform.h"
#include "shell/shell_state.h"
#include "shell/wizard.h"
#include "support/temp_folder.h"

namespace Ravenquill::Shell {
namespace {

constexpr wchar_t ProductId[] = L"RqShellPlatformTest";

struct EntryCleanup {
    ~EntryCleanup() {
        const std::wstring key = std::wstring(Core::UninstallRegistry::ListKeyPath) + L"\\" + ProductId;
        for (const HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) RegDeleteTreeW(hive, key.c_str());
    }
};

// An installation made for the current user whose entry lies among the machine's (as one written
// by hand or by an older tool might): its record decides the scope, so the update stays per user.
TEST(ShellPlatformWin32, AnEarlierInstallationIsFoundWithItsRecordsScopeAndTheWizardUpdatesIt) {
    const EntryCleanup cleanup;
    const Testing::TempFolder folder;
    Core::InstallRecord record;
    record.ProductName = L"Rq Shell Platform";
    record.ProductId = ProductId;
    record.Version = L"1.0";
    record.InstallDir = folder.Path();
    record.PerMachine = true;
    Core::UninstallRegistry::Write(record, folder.Path() + L"\\uninstall.exe", 1, std::nullopt, std::nullopt);
    record.PerMachine = false;
    Core::InstallRecord::Save(record, folder.Path());

    const auto found = ShellPlatform::System()->FindInstalled(ProductId);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->InstallLocation, folder.Path());
    EXPECT_EQ(found->DisplayVersion, L"1.0");
    EXPECT_FALSE(found->PerMachine);

    Core::Elevation::ScopedAdministratorTest rights([] { return true; });
    auto manifest = std::make_shared<Core::InstallManifest>();
    manifest->ProductId = ProductId;
    manifest->ProductName = L"Rq Shell Platform";
    manifest->PreferPerMachine = true;
    Wizard wizard(manifest, {}, Ui::Theme::Dark(), std::make_shared<ShellState>(), ShellPlatform::System());
    EXPECT_TRUE(wizard.HasExisting());
    EXPECT_EQ(wizard.Settings.InstallDir, folder.Path());
    EXPECT_FALSE(wizard.Settings.PerMachine);
}

}  // namespace
}  // namespace Ravenquill::Shell
