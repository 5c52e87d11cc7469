// What the wizard learns of an earlier installation from the machine itself: the entry in the
// system's list with the scope of its hive, and settings that start from it and its record.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "core/engine/engines/engine_services.h"
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

// An installation whose entry lies among the machine's is one for all users, whatever its record
// says: the record lies in the installation's folder, which may be the user's to write. Only a
// record that agrees with its entry gives the update its earlier choices.
TEST(WizardWin32, TheHiveOfTheEntryDecidesTheScopeAndOnlyARecordThatAgreesGivesTheChoices) {
    const EntryCleanup cleanup;
    const Testing::TempFolder folder;
    Core::InstallRecord record;
    record.ProductName = L"Rq Shell Platform";
    record.ProductId = ProductId;
    record.Version = L"1.0";
    record.InstallDir = folder.Path();
    record.PerMachine = true;
    Core::UninstallRegistry::Write(record, folder.Path() + L"\\uninstall.exe", 1, std::nullopt, std::nullopt);

    const auto found = Core::EngineServices::System()->FindInstalled(ProductId);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->InstallLocation, folder.Path());
    EXPECT_EQ(found->DisplayVersion, L"1.0");
    EXPECT_TRUE(found->PerMachine);

    auto manifest = std::make_shared<Core::InstallManifest>();
    manifest->ProductId = ProductId;
    manifest->ProductName = L"Rq Shell Platform";
    manifest->PreferPerMachine = false;
    // Made without shortcuts; the manifest would make both.
    for (const bool recordPerMachine : {false, true}) {
        SCOPED_TRACE(recordPerMachine ? "a record that agrees" : "a record edited to say per user");
        record.PerMachine = recordPerMachine;
        Core::InstallRecord::Save(record, folder.Path());
        Wizard wizard(manifest, {}, Ui::Theme::Dark(), std::make_shared<ShellState>(), Core::EngineServices::System(),
                      ShellPlatform::System());
        EXPECT_TRUE(wizard.HasExisting());
        EXPECT_EQ(wizard.Settings.InstallDir, folder.Path());
        EXPECT_TRUE(wizard.Settings.PerMachine);
        EXPECT_EQ(wizard.Settings.DesktopShortcut, !recordPerMachine);
        EXPECT_EQ(wizard.Settings.StartMenuShortcut, !recordPerMachine);
    }
}

}  // namespace
}  // namespace Ravenquill::Shell
