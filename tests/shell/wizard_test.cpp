#include "shell/wizard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "core/common/errors.h"
#include "shell/support/fake_page.h"
#include "shell/support/fake_shell_platform.h"
#include "support/fake_engines.h"

namespace Ravenquill::Shell {
namespace {

using Core::CommandLineOptions;
using Core::InstallManifest;
using Testing::FakeEngines;
using Testing::FakePage;
using Testing::FakeShellPlatform;
using Args = std::vector<std::wstring>;

InstallManifest PlainManifest() {
    InstallManifest manifest;
    manifest.ProductName = L"Quill";
    manifest.ProductId = L"RavenQuill";
    manifest.Publisher = L"Raven";
    manifest.DefaultInstallDir = L"C:\\Machine\\{ProductName}";
    manifest.PerUserInstallDir = L"C:\\User\\{ProductName}";
    return manifest;
}

struct WizardFixture : ::testing::Test {
    // Given to the engines when the wizard is made.
    bool administrator = false;
    std::shared_ptr<FakeEngines> engines = std::make_shared<FakeEngines>();
    std::shared_ptr<FakeShellPlatform> platform = std::make_shared<FakeShellPlatform>();
    InstallManifest manifest = PlainManifest();
    std::unique_ptr<Wizard> wizard;
    int redraws = 0;
    int closes = 0;
    int progressPagesMade = 0;

    Wizard& Make(std::vector<std::wstring> arguments = {}) {
        engines->Administrator = administrator;
        auto state = std::make_shared<ShellState>();
        state->SetSteps({{1, L"Начало"}, {2, L"Параметры"}, {3, L"Установка"}, {4, L"Готово"}});
        wizard =
            std::make_unique<Wizard>(std::make_shared<const InstallManifest>(manifest),
                                     CommandLineOptions::Parse(arguments), Ui::Theme::Dark(), state, engines, platform);
        wizard->RequestRedraw = [this] { ++redraws; };
        wizard->RequestClose = [this] { ++closes; };
        wizard->MakeProgressPage = [this](Wizard&) {
            ++progressPagesMade;
            return std::make_shared<FakePage>(3, true);
        };
        return *wizard;
    }

    bool ShowsProgressPage() const {
        const auto page = wizard->CurrentPage();
        return page && page->Step() == 3 && page->Animated();
    }
};

// The self-deletion starts once, when the window has closed; one that cannot even be asked for
// leaves the folder, and the closing goes on.
TEST_F(WizardFixture, TheSelfDeletionAskedForStartsOnceWhenTheWindowHasClosed) {
    Wizard& w = Make();
    Core::FoundInstallation removed;
    removed.InstallDir = L"C:\\Apps\\Quill";
    w.WindowClosed();
    EXPECT_TRUE(engines->Recorded().SelfDeletes.empty());
    w.ScheduleSelfDeleteOnClose(removed);
    EXPECT_TRUE(engines->Recorded().SelfDeletes.empty()) << "not while the window is open";
    w.WindowClosed();
    w.WindowClosed();
    EXPECT_EQ(engines->Recorded().SelfDeletes, Args{L"C:\\Apps\\Quill"});

    engines->OnScheduleSelfDelete = [](const Core::FoundInstallation&) { throw std::bad_alloc(); };
    w.ScheduleSelfDeleteOnClose(removed);
    EXPECT_NO_THROW(w.WindowClosed());
}

TEST_F(WizardFixture, ConstructionLoadsThePayloadOnceAndLooksUpTheProduct) {
    engines->Payload.HasPayload = true;
    engines->Payload.TotalBytes = 1234;
    engines->Installed = Core::UninstallRegistry::InstalledEntry{L"C:\\Old\\Quill", L"1.2"};
    Wizard& w = Make({L"--dir=D:\\Chosen"});
    EXPECT_EQ(engines->PayloadLoads, 1);
    EXPECT_EQ(engines->InstalledLookups, Args{L"RavenQuill"});
    EXPECT_EQ(engines->EarlierLookups, Args{L"RavenQuill"});
    EXPECT_EQ(w.Payload.TotalBytes, 1234);
    EXPECT_TRUE(w.HasExisting());
    EXPECT_EQ(w.Existing->DisplayVersion, L"1.2");
    EXPECT_EQ(w.Settings.InstallDir, L"D:\\Chosen");
    EXPECT_EQ(w.CurrentPage(), nullptr);
    EXPECT_EQ(w.Dialog(), nullptr);
}

TEST_F(WizardFixture, AnInstallationFoundMakesTheSettingsItsUpdate) {
    engines->Installed = Core::UninstallRegistry::InstalledEntry{L"C:\\RQCustom\\Place", L"1.2", false};
    Wizard& w = Make();
    EXPECT_EQ(w.Settings.InstallDir, L"C:\\RQCustom\\Place");
    EXPECT_FALSE(w.Settings.PerMachine);
}

TEST_F(WizardFixture, AWizardWithoutAWindowAsksForNothing) {
    auto state = std::make_shared<ShellState>();
    state->SetSteps({{1, L"Начало"}, {2, L"Готово"}});
    Wizard w(std::make_shared<const InstallManifest>(manifest), {}, Ui::Theme::Dark(), state, engines, platform);
    w.Show(std::make_shared<FakePage>(2));  // the do-nothing requests: nothing to post to yet
    w.ShowDialog(std::make_shared<Dialog>(L"t", L"m", L"p", L""));
    w.RequestClose();
    EXPECT_EQ(w.CurrentPage()->Step(), 2);
    EXPECT_TRUE((*state->Steps())[0].IsCompleted);
    EXPECT_TRUE((*state->Steps())[1].IsActive);
    EXPECT_FALSE(w.HasExisting());
}

TEST_F(WizardFixture, ShowReplacesThePageMarksItsStepAndAsksForAFrame) {
    Wizard& w = Make();
    auto first = std::make_shared<FakePage>(1);
    w.Show(first);
    EXPECT_EQ(w.CurrentPage(), first);
    EXPECT_EQ(redraws, 1);
    EXPECT_TRUE((*w.State->Steps())[0].IsActive);

    // A frame that took the page keeps it alive after the page was replaced.
    const std::shared_ptr<IPage> drawing = w.CurrentPage();
    std::weak_ptr<FakePage> firstAlive = first;
    first.reset();
    w.Show(std::make_shared<FakePage>(4));
    EXPECT_FALSE(firstAlive.expired());
    EXPECT_EQ(drawing->Step(), 1);
    EXPECT_EQ(redraws, 2);
    const auto steps = w.State->Steps();
    EXPECT_TRUE((*steps)[2].IsCompleted && (*steps)[3].IsActive);
}

TEST_F(WizardFixture, DialogsReplaceEachOtherAndClosingNoneStillAsksForAFrame) {
    Wizard& w = Make();
    w.CloseDialog();
    EXPECT_EQ(redraws, 1);
    EXPECT_EQ(w.Dialog(), nullptr);
    auto first = std::make_shared<Dialog>(L"Первый", L"", L"Да", L"Нет");
    auto second = std::make_shared<Dialog>(L"Второй", L"", L"Да", L"");
    w.ShowDialog(first);
    w.ShowDialog(second);
    EXPECT_EQ(w.Dialog(), second);
    EXPECT_EQ(redraws, 3);
    w.CloseDialog();
    EXPECT_EQ(w.Dialog(), nullptr);
    EXPECT_EQ(redraws, 4);
}

TEST_F(WizardFixture, ElevatedCopyStartsAtOnceWithoutTheWriteProbe) {
    engines->TargetNeedsElevation = true;
    Wizard& w = Make({L"--elevated", L"--per-machine"});
    w.BeginInstall();
    EXPECT_TRUE(engines->ElevationProbes.empty());
    EXPECT_TRUE(engines->Relaunches.empty());
    EXPECT_TRUE(ShowsProgressPage());
    EXPECT_EQ(w.Dialog(), nullptr);
}

TEST_F(WizardFixture, AWritableTargetStartsAtOnce) {
    for (const bool admin : {false, true}) {
        administrator = admin;
        engines = std::make_shared<FakeEngines>();
        Wizard& w = Make({L"--dir=C:\\Writable", L"--per-user"});
        w.BeginInstall();
        EXPECT_EQ(engines->ElevationProbes, Args{L"C:\\Writable"});
        EXPECT_TRUE(engines->Relaunches.empty());
        EXPECT_TRUE(ShowsProgressPage());
        EXPECT_EQ(w.Dialog(), nullptr);
        EXPECT_EQ(closes, 0);
    }
}

TEST_F(WizardFixture, PerMachineWithoutRightsRelaunchesEvenIntoAWritableFolder) {
    Wizard& w = Make({L"--per-machine", L"--dir=C:\\Writable"});
    engines->TargetNeedsElevation = false;
    w.BeginInstall();
    ASSERT_EQ(engines->Relaunches.size(), 1u);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(progressPagesMade, 0);

    // With the rights the same choice installs at once.
    administrator = true;
    engines = std::make_shared<FakeEngines>();
    Make({L"--per-machine", L"--dir=C:\\Writable"}).BeginInstall();
    EXPECT_TRUE(engines->Relaunches.empty());
    EXPECT_TRUE(ShowsProgressPage());
}

TEST_F(WizardFixture, RelaunchCarriesTheChoicesAndClosesWithoutWaiting) {
    manifest.Components = {Core::ComponentDefinition{}};
    manifest.Components[0].Id = L"core";
    manifest.Components[0].Required = true;
    engines->TargetNeedsElevation = true;
    Wizard& w = Make({L"--per-user"});
    w.Settings.InstallDir = L"C:\\Program Files\\Quill";
    w.Settings.DesktopShortcut = true;
    w.Settings.StartMenuShortcut = false;
    w.BeginInstall();
    ASSERT_EQ(engines->Relaunches.size(), 1u);
    EXPECT_EQ(engines->Relaunches[0], (Args{L"--elevated", L"--dir=\"C:\\Program Files\\Quill\"", L"--per-user",
                                            L"--shortcuts=desktop", L"--components=core"}));
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(w.CurrentPage(), nullptr);
    EXPECT_EQ(w.Dialog(), nullptr);
}

TEST_F(WizardFixture, RelaunchAfterAnUninstallInstallsAndKeepsTheOptionsUntouched) {
    engines->TargetNeedsElevation = true;
    Wizard& w = Make({L"--uninstall", L"--keep-data"});
    w.BeginInstall();
    ASSERT_EQ(engines->Relaunches.size(), 1u);
    const Args& args = engines->Relaunches[0];
    EXPECT_EQ(std::count(args.begin(), args.end(), L"--uninstall"), 0);
    EXPECT_EQ(std::count(args.begin(), args.end(), L"--keep-data"), 0);
    EXPECT_TRUE(w.Options.Uninstall);
    EXPECT_TRUE(w.Options.KeepData);
}

TEST_F(WizardFixture, PathTurnedOffAgainstTheManifestsDefaultStaysOffAfterTheRelaunch) {
    struct Case {
        bool offer, byDefault, chosen;
        bool addSwitch, noAddSwitch;
    };
    const Case cases[] = {
        {true, true, false, false, true},    // unticked against the default: said explicitly
        {true, true, true, true, false},     // ticked: the usual switch
        {true, false, false, false, false},  // off by default anyway
        {false, false, false, false, false},
    };
    engines->TargetNeedsElevation = true;
    for (const Case& c : cases) {
        manifest.OfferAddToPath = c.offer;
        manifest.AddToPathByDefault = c.byDefault;
        engines->Relaunches.clear();
        Wizard& w = Make();
        w.Settings.AddToPath = c.chosen;
        w.BeginInstall();
        ASSERT_EQ(engines->Relaunches.size(), 1u);
        const Args& args = engines->Relaunches[0];
        EXPECT_EQ(std::count(args.begin(), args.end(), L"--add-to-path"), c.addSwitch ? 1 : 0);
        EXPECT_EQ(std::count(args.begin(), args.end(), L"--no-add-to-path"), c.noAddSwitch ? 1 : 0);
        // The elevated copy reads the same choice back.
        const Settings back =
            Settings::FromOptions(w.Manifest, CommandLineOptions::Parse(args), Core::PayloadSummary{}, {}, true);
        EXPECT_EQ(back.AddToPath, c.chosen);
    }
}

TEST_F(WizardFixture, DeclinedElevationOffersAPerUserInstall) {
    engines->TargetNeedsElevation = true;
    engines->RelaunchStarts = false;
    Wizard& w = Make({L"--per-machine"});
    w.Settings.InstallDir = L"D:\\Typed";
    const auto page = std::make_shared<FakePage>(2);
    w.Show(page);
    w.BeginInstall();
    EXPECT_EQ(closes, 0);
    const auto dialog = w.Dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->Title, L"Нужны права администратора");
    EXPECT_EQ(dialog->Message,
              L"Для установки в «D:\\Typed» требуется подтверждение администратора.\n\n"
              L"Установить только для текущего пользователя в «C:\\User\\Quill»?");
    EXPECT_EQ(dialog->PrimaryText, L"Установить для себя");
    EXPECT_EQ(dialog->SecondaryText, L"Отмена");
    EXPECT_TRUE(dialog->Items.empty());

    dialog->OnSecondary();
    EXPECT_EQ(w.Dialog(), nullptr);
    EXPECT_EQ(w.CurrentPage(), page);
    EXPECT_TRUE(w.Settings.PerMachine);
    EXPECT_EQ(w.Settings.InstallDir, L"D:\\Typed");

    w.BeginInstall();
    w.Dialog()->OnPrimary();
    EXPECT_EQ(w.Dialog(), nullptr);
    EXPECT_FALSE(w.Settings.PerMachine);
    EXPECT_EQ(w.Settings.InstallDir, L"C:\\User\\Quill");  // the typed directory is replaced too
    EXPECT_TRUE(ShowsProgressPage());
    EXPECT_EQ(engines->ElevationProbes.size(), 0u);  // per-machine without rights: no probe needed
    EXPECT_EQ(engines->Relaunches.size(), 2u);       // no second relaunch after the choice
}

TEST_F(WizardFixture, DeclinedElevationOffersTheUsersOwnInstallationWhereThereIsOne) {
    engines->TargetNeedsElevation = true;
    engines->RelaunchStarts = false;
    Core::EarlierInstallations found;
    found.PerMachine = Core::EarlierInstallation{L"C:\\E1", true, std::nullopt};
    found.PerUser = Core::EarlierInstallation{L"C:\\E2", false, std::nullopt};
    engines->Earlier = found;
    Wizard& w = Make();
    ASSERT_TRUE(w.Settings.PerMachine);
    EXPECT_EQ(w.Settings.InstallDir, L"C:\\E1");
    w.BeginInstall();
    ASSERT_NE(w.Dialog(), nullptr);
    EXPECT_EQ(w.Dialog()->Message,
              L"Для установки в «C:\\E1» требуется подтверждение администратора.\n\n"
              L"Установить только для текущего пользователя в «C:\\E2»?");
    w.Dialog()->OnPrimary();
    // Into the default folder it would be a second installation for the user, and the one in
    // C:\E2 would lose its entry.
    EXPECT_FALSE(w.Settings.PerMachine);
    EXPECT_EQ(w.Settings.InstallDir, L"C:\\E2");
}

TEST_F(WizardFixture, BeginInstallWithoutAProgressPageMakerIsRefused) {
    Wizard& w = Make();
    w.MakeProgressPage = nullptr;
    EXPECT_THROW(w.BeginInstall(), InvalidOperationException);
}

}  // namespace
}  // namespace Ravenquill::Shell

namespace Ravenquill::Shell {
namespace {

TEST_F(WizardFixture, WorkAfterTheFrameRunsInOrderAndNeverInsideItself) {
    Wizard& w = Make();
    std::vector<std::string> order;
    EXPECT_FALSE(w.RunAfterFrameWork()) << "nothing asked for";
    w.AfterFrame([&] {
        order.push_back("picker");
        // Its modal loop dispatches messages, whose handling asks again, and a frame drawn meanwhile
        // asks for work of its own.
        w.AfterFrame([&] { order.push_back("asked meanwhile"); });
        EXPECT_FALSE(w.RunAfterFrameWork());
        order.push_back("picker closed");
    });
    w.AfterFrame([&] { order.push_back("second"); });
    EXPECT_TRUE(order.empty()) << "asking runs nothing";
    EXPECT_TRUE(w.RunAfterFrameWork());
    EXPECT_EQ(order, (std::vector<std::string>{"picker", "picker closed", "second", "asked meanwhile"}));
    EXPECT_FALSE(w.RunAfterFrameWork());

    // Work that fails leaves the rest for the next call.
    order.clear();
    w.AfterFrame([] { throw InvalidOperationException(L"odd"); });
    w.AfterFrame([&] { order.push_back("after the failure"); });
    EXPECT_THROW(w.RunAfterFrameWork(), InvalidOperationException);
    EXPECT_TRUE(w.RunAfterFrameWork());
    EXPECT_EQ(order, (std::vector<std::string>{"after the failure"}));
}

}  // namespace
}  // namespace Ravenquill::Shell
