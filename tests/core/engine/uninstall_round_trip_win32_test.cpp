// An installation and then its removal, as the silent uninstaller does it: the removal runs from the
// installed uninstaller, which schedules its own deletion. Afterwards the machine is as before.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "core/engine/engines/install_engine.h"
#include "core/engine/engines/uninstall_engine.h"
#include "core/engine/support/uninstall_timeout_support.h"
#include "install_test_support.h"

namespace Ravenquill::Core {
namespace {

using namespace Testing;

TEST(UninstallRoundTripTest, InstallThenSilentUninstallLeavesTheMachineAsBefore) {
    Testing::ProvideTimeout();
    InstallSandbox sandbox(testing::UnitTest::GetInstance()->current_test_info()->name());
    sandbox.AddPayload("app.exe", "app");
    sandbox.AddPayload("bin\\tools\\tool.dll", "tool");
    sandbox.AddPayload("docs\\guide.txt", "guide");
    sandbox.Manifest().MainExecutable = L"app.exe";
    // The folders above the target exist already: the removal never takes those, made or not.
    fs::create_directories(sandbox.Target().parent_path());
    const MachineState before = sandbox.Snapshot();

    InstallOptions options = sandbox.Options();
    options.DesktopShortcut = true;
    options.StartMenuShortcut = true;
    options.AddToPath = true;
    InstallEngine().Install(options);
    ASSERT_NE(sandbox.Snapshot(), before);

    sandbox.RunFrom(sandbox.Target() / "uninstall.exe");
    const auto found = UninstallEngine::FindInstallation(sandbox.Manifest(), std::nullopt);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->InstallDir, sandbox.Target().wstring());
    UninstallEngine().UninstallAsync(found->Record, false).get();
    // The running uninstaller is all that is left, and it goes once this process could have ended.
    EXPECT_EQ(Tree(sandbox.Target()).size(), 1u);
    EXPECT_TRUE(fs::exists(sandbox.Target() / "uninstall.exe"));
    UninstallEngine::ScheduleSelfDelete(found->InstallDir);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (fs::exists(sandbox.Target()) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(sandbox.Snapshot(), before);
}

}  // namespace
}  // namespace Ravenquill::Core
