#include "shell/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/common/number_format.h"

namespace Ravenquill::Shell {
namespace {

using Core::CommandLineOptions;
using Core::ComponentDefinition;
using Core::InstallManifest;
using Core::PayloadSummary;
using Ids = std::vector<std::wstring>;

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// Templates without environment variables, so both builds expand them alike.
InstallManifest PlainManifest() {
    InstallManifest manifest;
    manifest.ProductName = L"Quill";
    manifest.Publisher = L"Raven";
    manifest.DefaultInstallDir = L"C:\\Machine\\{Publisher}\\{ProductName}";
    manifest.PerUserInstallDir = L"C:\\User\\{ProductName}";
    return manifest;
}

const std::wstring MachineDefault = L"C:\\Machine\\Raven\\Quill";
const std::wstring UserDefault = L"C:\\User\\Quill";

CommandLineOptions Parse(std::initializer_list<std::wstring> arguments) {
    return CommandLineOptions::Parse(std::vector<std::wstring>(arguments));
}

Settings Build(const InstallManifest& manifest, const CommandLineOptions& options, bool administrator,
               const PayloadSummary& summary = {}) {
    return Settings::FromOptions(std::make_shared<const InstallManifest>(manifest), options, summary, {},
                                 administrator);
}

TEST(Settings, ConstructorStartsEmptyAndFalse) {
    const Settings settings(std::make_shared<const InstallManifest>());
    EXPECT_EQ(settings.InstallDir, L"");
    EXPECT_TRUE(settings.Components.empty());
    EXPECT_FALSE(settings.PerMachine || settings.DesktopShortcut || settings.StartMenuShortcut || settings.AddToPath ||
                 settings.LaunchAfterInstall);
}

TEST(Settings, ScopeFromCommandLineElseManifestPreferenceAndRights) {
    struct Case {
        std::optional<std::wstring> argument;
        bool preferPerMachine;
        bool administrator;
        bool perMachine;
        std::wstring directory;
    };
    const Case cases[] = {
        // The command line wins over the preference and over the rights.
        {L"--per-user", true, true, false, UserDefault},
        {L"--per-machine", false, false, true, MachineDefault},
        {L"--allusers", false, true, true, MachineDefault},
        // Without it, per-machine takes both the preference and an administrator.
        {std::nullopt, true, true, true, MachineDefault},
        {std::nullopt, true, false, false, UserDefault},
        {std::nullopt, false, true, false, UserDefault},
        {std::nullopt, false, false, false, UserDefault},
    };
    for (const Case& c : cases) {
        InstallManifest manifest = PlainManifest();
        manifest.PreferPerMachine = c.preferPerMachine;
        const CommandLineOptions options = c.argument ? Parse({*c.argument}) : Parse({});
        const Settings settings = Build(manifest, options, c.administrator);
        const std::string label = Narrow(c.argument.value_or(L"(none)")) +
                                  " prefer=" + std::to_string(c.preferPerMachine) +
                                  " admin=" + std::to_string(c.administrator);
        EXPECT_EQ(settings.PerMachine, c.perMachine) << label;
        EXPECT_EQ(settings.InstallDir, c.directory) << label;
    }
}

TEST(Settings, ShortcutsNeedTheManifestsOffer) {
    struct Case {
        std::vector<std::wstring> arguments;
        bool offerDesktop;
        bool offerStartMenu;
        bool desktopByDefault;
        bool startMenuByDefault;
        bool desktop;
        bool startMenu;
    };
    const Case cases[] = {
        {{}, true, true, true, false, true, false},
        {{}, true, true, false, true, false, true},
        {{L"--shortcuts=desktop,startmenu"}, false, true, false, false, false, true},
        {{L"--shortcuts=desktop,startmenu"}, true, false, false, false, true, false},
        {{L"--shortcuts=desktop"}, true, true, true, true, true, false},
        {{L"--no-shortcuts"}, true, true, true, true, false, false},
        {{}, false, false, true, true, false, false},
    };
    for (const Case& c : cases) {
        InstallManifest manifest = PlainManifest();
        manifest.OfferDesktopShortcut = c.offerDesktop;
        manifest.OfferStartMenuShortcut = c.offerStartMenu;
        manifest.DesktopShortcutByDefault = c.desktopByDefault;
        manifest.StartMenuShortcutByDefault = c.startMenuByDefault;
        const Settings settings = Build(manifest, CommandLineOptions::Parse(c.arguments), false);
        const std::string label = (c.arguments.empty() ? "(none)" : Narrow(c.arguments[0])) + " offer " +
                                  std::to_string(c.offerDesktop) + std::to_string(c.offerStartMenu) + " default " +
                                  std::to_string(c.desktopByDefault) + std::to_string(c.startMenuByDefault);
        EXPECT_EQ(settings.DesktopShortcut, c.desktop) << label;
        EXPECT_EQ(settings.StartMenuShortcut, c.startMenu) << label;
    }
}

TEST(Settings, PathFromSwitchEvenUnofferedElseManifest) {
    struct Case {
        std::vector<std::wstring> arguments;
        bool offer;
        bool byDefault;
        bool addToPath;
    };
    const Case cases[] = {
        {{L"--add-to-path"}, false, false, true},
        {{L"--add-to-path"}, true, false, true},
        {{}, true, true, true},
        {{}, true, false, false},
        {{}, false, true, false},
        // A relaunch after PATH was turned off keeps it off whatever the manifest's default.
        {{L"--no-add-to-path"}, true, true, false},
        // The documented switch keeps its meaning when both are given.
        {{L"--no-add-to-path", L"--add-to-path"}, true, true, true},
        {{L"--add-to-path", L"--no-add-to-path"}, false, false, true},
    };
    for (const Case& c : cases) {
        InstallManifest manifest = PlainManifest();
        manifest.OfferAddToPath = c.offer;
        manifest.AddToPathByDefault = c.byDefault;
        const Settings settings = Build(manifest, CommandLineOptions::Parse(c.arguments), false);
        EXPECT_EQ(settings.AddToPath, c.addToPath)
            << c.arguments.size() << " arguments, offer " << c.offer << " default " << c.byDefault;
    }
}

TEST(Settings, LaunchFollowsTheManifestsOfferAlone) {
    InstallManifest manifest = PlainManifest();
    EXPECT_TRUE(Build(manifest, Parse({L"--silent"}), false).LaunchAfterInstall);
    manifest.OfferLaunchAfterInstall = false;
    EXPECT_FALSE(Build(manifest, Parse({}), true).LaunchAfterInstall);
}

TEST(Settings, CommandLineDirectoryIsTakenUnchanged) {
    const Settings settings =
        Build(PlainManifest(), Parse({L"--per-machine", L"--dir=D:\\{ProductName}\\%TEMP%\\"}), false);
    EXPECT_EQ(settings.InstallDir, L"D:\\{ProductName}\\%TEMP%\\");
}

InstallManifest ManifestWithComponents() {
    InstallManifest manifest = PlainManifest();
    manifest.Components = {
        ComponentDefinition{L"core", L"Core", std::nullopt, L"bin", true, true},
        ComponentDefinition{L"Docs", L"Docs", std::nullopt, L"docs", false, true},
        ComponentDefinition{L"extras", L"Extras", std::nullopt, L"extras", false, false},
        ComponentDefinition{L"readme", L"Readme", std::nullopt, L"  ", false, true},
    };
    return manifest;
}

Ids Selected(const Settings& settings) {
    Ids ids;
    for (const ComponentChoice& choice : settings.Components)
        if (choice.Selected) ids.push_back(choice.Definition.Id);
    return ids;
}

const std::wstring UserInstalled = L"C:\\RQCustom\\Place";
const std::wstring MachineInstalled = L"D:\\Tools\\Quill";

// The installations found, one per scope, without records.
Core::EarlierInstallations Found(bool user, bool machine) {
    Core::EarlierInstallations found;
    if (user) found.PerUser = Core::EarlierInstallation{UserInstalled, false, std::nullopt};
    if (machine) found.PerMachine = Core::EarlierInstallation{MachineInstalled, true, std::nullopt};
    return found;
}

Settings BuildOver(const InstallManifest& manifest, const CommandLineOptions& options,
                   const Core::EarlierInstallations& found, bool administrator = false) {
    return Settings::FromOptions(std::make_shared<const InstallManifest>(manifest), options, PayloadSummary{}, found,
                                 administrator);
}

TEST(Settings, TheFolderIsTheInstallationOfTheScopeBeingInstalled) {
    struct Case {
        const char* name;
        std::initializer_list<std::wstring> arguments;
        bool user, machine;  // the installations found
        bool administrator;
        bool perMachine;
        std::wstring dir;
    };
    const Case cases[] = {
        {"none found", {}, false, false, false, false, UserDefault},
        {"none found, administrator", {}, false, false, true, true, MachineDefault},
        // The installation's scope, whatever the manifest prefers and the rights allow.
        {"the user's", {}, true, false, true, false, UserInstalled},
        {"the machine's", {}, false, true, false, true, MachineInstalled},
        {"both: the machine's first", {}, true, true, false, true, MachineInstalled},
        // A scope given updates the installation of that scope, and the other stays as it is.
        {"both, per user", {L"--per-user"}, true, true, true, false, UserInstalled},
        {"both, per machine", {L"--per-machine"}, true, true, false, true, MachineInstalled},
        {"the user's, per user", {L"--per-user"}, true, false, true, false, UserInstalled},
        {"the user's, per machine", {L"--per-machine"}, true, false, false, true, MachineDefault},
        {"the machine's, per user", {L"--per-user"}, false, true, true, false, UserDefault},
        // The user's own folder wins over every installation.
        {"own folder", {L"/D=E:\\Own"}, true, true, false, true, L"E:\\Own"},
        {"own folder, per user", {L"/D=E:\\Own", L"--per-user"}, true, true, false, false, L"E:\\Own"},
        {"own folder, none found", {L"--dir=E:\\Own"}, false, false, false, false, L"E:\\Own"},
    };
    for (const Case& c : cases) {
        InstallManifest manifest = PlainManifest();
        manifest.PreferPerMachine = true;
        const Settings settings = BuildOver(manifest, Parse(c.arguments), Found(c.user, c.machine), c.administrator);
        EXPECT_EQ(settings.PerMachine, c.perMachine) << c.name;
        EXPECT_EQ(settings.InstallDir, c.dir) << c.name;
    }
}

TEST(Settings, SwitchingTheScopeMovesToTheInstallationOfTheNewScope) {
    struct Case {
        const char* name;
        std::initializer_list<std::wstring> arguments;
        bool user, machine;
        std::wstring afterSwitch;  // to the other scope
        std::wstring afterReturn;  // and back
    };
    const Case cases[] = {
        {"the machine's to none", {}, false, true, UserDefault, MachineInstalled},
        {"the machine's to the user's", {}, true, true, UserInstalled, MachineInstalled},
        {"the user's to none", {}, true, false, MachineDefault, UserInstalled},
        {"a default to the other's installation", {L"--per-user"}, false, true, MachineInstalled, UserDefault},
        {"a folder given stays", {L"/D=E:\\Own"}, true, true, L"E:\\Own", L"E:\\Own"},
        {"the found folder given, in other letters",
         {L"/D=d:\\tools\\quill\\"},
         true,
         true,
         UserInstalled,
         MachineInstalled},
    };
    for (const Case& c : cases) {
        Settings settings = BuildOver(PlainManifest(), Parse(c.arguments), Found(c.user, c.machine));
        const bool start = settings.PerMachine;
        settings.SetPerMachine(!start);
        EXPECT_EQ(settings.InstallDir, c.afterSwitch) << c.name;
        settings.SetPerMachine(start);
        EXPECT_EQ(settings.InstallDir, c.afterReturn) << c.name;
    }

    // A folder the user picked after the start stays whatever the scope.
    Settings picked = BuildOver(PlainManifest(), Parse({}), Found(true, true));
    picked.InstallDir = L"F:\\Picked";
    picked.SetPerMachine(false);
    EXPECT_EQ(picked.InstallDir, L"F:\\Picked");
    EXPECT_EQ(picked.ScopeDirectory(false), UserInstalled);
    EXPECT_EQ(picked.ScopeDirectory(true), MachineInstalled);
    EXPECT_EQ(BuildOver(PlainManifest(), Parse({}), {}).ScopeDirectory(false), UserDefault);
}

TEST(Settings, ComponentSelection) {
    struct Case {
        std::vector<std::wstring> arguments;
        Ids selected;
    };
    const Case cases[] = {
        {{}, {L"core", L"Docs", L"readme"}},
        // An empty list leaves the required components only.
        {{L"--components="}, {L"core"}},
        // Ids match in any letter case; unknown ids are no choice.
        {{L"--components=DOCS,Extras,nothing"}, {L"core", L"Docs", L"extras"}},
        {{L"--components=readme", L"--components=docs"}, {L"core", L"Docs", L"readme"}},
        // Without a value the key is not a choice.
        {{L"--components"}, {L"core", L"Docs", L"readme"}},
    };
    for (const Case& c : cases) {
        const Settings settings = Build(ManifestWithComponents(), CommandLineOptions::Parse(c.arguments), false);
        EXPECT_EQ(Selected(settings), c.selected) << (c.arguments.empty() ? "(none)" : Narrow(c.arguments[0]));
        EXPECT_EQ(settings.SelectedComponentIds(), c.selected);
    }
}

// What the earlier installation was made with, as its record tells.
struct Earlier {
    Ids components;
    bool desktop;
    bool startMenu;
    bool path;
    Ids offered = {};  // none: a record from before the offered components were kept
};

Core::EarlierInstallations FoundWithRecord(const Earlier& made) {
    Core::InstallRecord record;
    record.ProductId = L"Quill";
    record.InstallDir = UserInstalled;
    record.Components = made.components;
    record.OfferedComponents = made.offered;
    const std::wstring programs = L"C:\\Users\\u\\Start Menu\\Programs\\Quill";
    if (made.desktop) record.Shortcuts.push_back(L"C:\\Users\\u\\Desktop\\Quill.lnk");
    if (made.startMenu) {
        record.StartMenuDirectory = programs;
        record.Shortcuts.push_back(programs + L"\\Quill.lnk");
        record.Shortcuts.push_back(programs + L"\\Удалить Quill.lnk");
    }
    record.PathEntryAdded = made.path;
    Core::EarlierInstallations found;
    found.PerUser = Core::EarlierInstallation{UserInstalled, false, std::move(record)};
    return found;
}

TEST(Settings, AnUpdateStartsFromTheEarlierInstallationsChoices) {
    struct Case {
        const char* name;
        std::initializer_list<std::wstring> arguments;
        std::optional<Earlier> made;  // none: no record that belongs to the installation
        Ids selected;
        bool desktop, startMenu, path;
    };
    const Earlier extrasOnly{{L"core", L"extras"}, false, false, false};
    const Earlier everything{{L"core", L"Docs", L"extras", L"readme"}, true, true, true};
    const Case cases[] = {
        // The manifest's defaults: docs and readme, both shortcuts, no PATH.
        {"no record", {}, std::nullopt, {L"core", L"Docs", L"readme"}, true, true, false},
        {"an optional component and no shortcuts", {}, extrasOnly, {L"core", L"extras"}, false, false, false},
        {"everything", {}, everything, {L"core", L"Docs", L"extras", L"readme"}, true, true, true},
        {"the desktop only", {}, Earlier{{L"core"}, true, false, false}, {L"core"}, true, false, false},
        {"the Start menu only", {}, Earlier{{L"core"}, false, true, false}, {L"core"}, false, true, false},
        // A component the earlier installation was not offered takes the manifest's default; one it
        // was offered keeps the choice made then, even against that default.
        {"components new to it",
         {},
         Earlier{{L"core", L"extras"}, false, false, false, {L"core", L"extras"}},
         {L"core", L"Docs", L"extras", L"readme"},
         false,
         false,
         false},
        {"defaults declined before",
         {},
         Earlier{{L"core"}, false, false, false, {L"core", L"Docs", L"extras", L"readme"}},
         {L"core"},
         false,
         false,
         false},
        {"a new one off by default",
         {},
         Earlier{{L"core", L"Docs"}, false, false, false, {L"core", L"Docs", L"readme"}},
         {L"core", L"Docs"},
         false,
         false,
         false},
        {"offered under another case",
         {},
         Earlier{{L"core"}, false, false, false, {L"CORE", L"docs", L"Extras", L"README"}},
         {L"core"},
         false,
         false,
         false},
        // A record that lists neither was made when the manifest offered no component at all.
        {"no component before",
         {},
         Earlier{{}, false, false, false},
         {L"core", L"Docs", L"readme"},
         false,
         false,
         false},
        // Whatever the command line names is its own.
        {"components named", {L"--components=docs"}, extrasOnly, {L"core", L"Docs"}, false, false, false},
        {"shortcuts named", {L"--shortcuts=desktop"}, extrasOnly, {L"core", L"extras"}, true, false, false},
        {"no shortcuts", {L"--no-shortcuts"}, everything, {L"core", L"Docs", L"extras", L"readme"}, false, false, true},
        {"PATH named", {L"--add-to-path"}, extrasOnly, {L"core", L"extras"}, false, false, true},
        // The installation's own folder given is still its update.
        {"its folder given", {L"/D=c:\\rqcustom\\place\\"}, extrasOnly, {L"core", L"extras"}, false, false, false},
        // Another folder or another scope is a first installation there.
        {"another folder", {L"/D=E:\\Own"}, extrasOnly, {L"core", L"Docs", L"readme"}, true, true, false},
        {"another scope", {L"--per-machine"}, extrasOnly, {L"core", L"Docs", L"readme"}, true, true, false},
    };
    for (const Case& c : cases) {
        InstallManifest manifest = ManifestWithComponents();
        manifest.OfferAddToPath = true;
        const Settings settings =
            BuildOver(manifest, Parse(c.arguments), c.made ? FoundWithRecord(*c.made) : Found(true, false));
        EXPECT_EQ(settings.SelectedComponentIds(), c.selected) << c.name;
        EXPECT_EQ(settings.DesktopShortcut, c.desktop) << c.name;
        EXPECT_EQ(settings.StartMenuShortcut, c.startMenu) << c.name;
        EXPECT_EQ(settings.AddToPath, c.path) << c.name;
    }

    // What the manifest no longer offers is not chosen again.
    InstallManifest withdrawn = ManifestWithComponents();
    withdrawn.OfferDesktopShortcut = false;
    withdrawn.OfferAddToPath = false;
    const Settings settings = BuildOver(withdrawn, Parse({}), FoundWithRecord(everything));
    EXPECT_FALSE(settings.DesktopShortcut);
    EXPECT_TRUE(settings.StartMenuShortcut);
    EXPECT_FALSE(settings.AddToPath);
}

TEST(Settings, ComponentSizesAndTheirTexts) {
    ScopedNumberFormat format(NumberFormat{L",", L"-"});
    PayloadSummary summary;
    summary.HasPayload = true;
    summary.ComponentBytes[L"CORE"] = 1536;
    summary.ComponentBytes[L"Docs"] = 0;
    summary.ComponentBytes[L"readme"] = 99;
    summary.UnassignedBytes = 512;
    const Settings settings = Build(ManifestWithComponents(), Parse({}), false, summary);
    ASSERT_EQ(settings.Components.size(), 4u);
    // Summary keys match ids ignoring case; a missing key is 0; a component without a folder of its
    // own shows what lies outside every component.
    const std::int64_t sizes[] = {1536, 0, 0, 512};
    const std::wstring texts[] = {L"1,5 КБ", L"—", L"—", L"512 Б"};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(settings.Components[i].Size, sizes[i]) << i;
        EXPECT_EQ(settings.Components[i].SizeText(), texts[i]) << i;
        EXPECT_EQ(settings.Components[i].Definition, ManifestWithComponents().Components[i]);
    }
    ComponentChoice negative{ComponentDefinition{}, -5, true};
    EXPECT_EQ(negative.SizeText(), L"—");
}

TEST(Settings, IncludedAndSelectedIds) {
    Settings settings = Build(ManifestWithComponents(), Parse({L"--components="}), false);
    // A required component is included even when unticked.
    settings.Components[0].Selected = false;
    EXPECT_TRUE(settings.Components[0].IsIncluded());
    EXPECT_EQ(settings.SelectedComponentIds(), (Ids{L"core"}));
    settings.Components[3].Selected = true;
    EXPECT_EQ(settings.SelectedComponentIds(), (Ids{L"core", L"readme"}));

    InstallManifest optionalOnly = PlainManifest();
    optionalOnly.Components = {ComponentDefinition{L"a", L"A", std::nullopt, L"a", false, false}};
    EXPECT_TRUE(Build(optionalOnly, Parse({}), false).SelectedComponentIds().empty());
    EXPECT_TRUE(Build(PlainManifest(), Parse({}), false).SelectedComponentIds().empty());
}

TEST(Settings, NeedsElevationIsPerMachineWithoutRights) {
    Settings settings(std::make_shared<const InstallManifest>());
    for (const bool perMachine : {false, true}) {
        for (const bool administrator : {false, true}) {
            settings.Administrator = administrator;
            settings.PerMachine = perMachine;
            EXPECT_EQ(settings.NeedsElevation(), perMachine && !administrator) << perMachine << administrator;
        }
    }
}

TEST(Settings, SetPerMachineMovesOnlyAnUnchosenDirectory) {
    struct Case {
        const char* label;
        bool startPerMachine;
        std::wstring directory;
        bool value;
        std::wstring expected;
    };
    const Case cases[] = {
        {"machine default to user", true, MachineDefault, false, UserDefault},
        {"user default to machine", false, UserDefault, true, MachineDefault},
        {"trailing backslashes still the default", true, MachineDefault + L"\\\\", false, UserDefault},
        {"default in another letter case", false, L"c:\\USER\\quill", true, MachineDefault},
        {"a chosen directory stays", true, L"D:\\Apps\\Quill", false, L"D:\\Apps\\Quill"},
        {"the other scope's default stays", true, UserDefault, false, UserDefault},
        {"the same scope changes nothing", true, UserDefault, true, UserDefault},
        {"an empty directory stays", false, L"", true, L""},
    };
    for (const Case& c : cases) {
        Settings settings(std::make_shared<const InstallManifest>(PlainManifest()));
        settings.PerMachine = c.startPerMachine;
        settings.InstallDir = c.directory;
        settings.SetPerMachine(c.value);
        EXPECT_EQ(settings.PerMachine, c.value) << c.label;
        EXPECT_EQ(settings.InstallDir, c.expected) << c.label;
    }
}

TEST(Settings, SetPerMachineThereAndBackReturnsToTheDefault) {
    Settings settings = Build(PlainManifest(), Parse({}), true);
    ASSERT_EQ(settings.InstallDir, MachineDefault);
    settings.SetPerMachine(false);
    EXPECT_EQ(settings.InstallDir, UserDefault);
    settings.SetPerMachine(true);
    EXPECT_EQ(settings.InstallDir, MachineDefault);

    Settings given = Build(PlainManifest(), Parse({L"/D=E:\\Quill", L"--per-machine"}), false);
    given.SetPerMachine(false);
    given.SetPerMachine(true);
    EXPECT_EQ(given.InstallDir, L"E:\\Quill");
}

TEST(Settings, ToInstallOptionsCopiesTheChoicesIntoANewObject) {
    Settings settings = Build(
        ManifestWithComponents(),
        Parse({L"--dir=D:\\Q", L"--per-machine", L"--shortcuts=startmenu", L"--add-to-path", L"--components=extras"}),
        false);
    const Core::InstallOptions options = settings.ToInstallOptions();
    EXPECT_EQ(options.Manifest, settings.Manifest);
    EXPECT_EQ(options.InstallDir, L"D:\\Q");
    EXPECT_TRUE(options.PerMachine);
    EXPECT_FALSE(options.DesktopShortcut);
    EXPECT_TRUE(options.StartMenuShortcut);
    EXPECT_TRUE(options.AddToPath);
    EXPECT_EQ(options.SelectedComponentIds, (Ids{L"core", L"extras"}));
    EXPECT_EQ(options.MinimumDuration, std::chrono::milliseconds(1800));

    settings.InstallDir = L"E:\\Other";
    settings.Components[1].Selected = true;
    settings.AddToPath = false;
    EXPECT_EQ(options.InstallDir, L"D:\\Q");
    EXPECT_EQ(options.SelectedComponentIds, (Ids{L"core", L"extras"}));
    EXPECT_TRUE(options.AddToPath);
    EXPECT_EQ(settings.ToInstallOptions().SelectedComponentIds, (Ids{L"core", L"Docs", L"extras"}));
}

TEST(Settings, RelaunchArgumentsKeepPathOffAgainstTheManifestsDefault) {
    InstallManifest manifest = ManifestWithComponents();
    manifest.OfferAddToPath = true;
    manifest.AddToPathByDefault = true;
    Settings settings = Build(manifest, Parse({L"--silent", L"--per-user"}), false);
    ASSERT_TRUE(settings.AddToPath);
    const CommandLineOptions options = Parse({L"--silent"});
    EXPECT_EQ(settings.RelaunchArguments(options),
              (Ids{L"--elevated", L"--silent", L"--dir=\"" + UserDefault + L"\"", L"--per-user",
                   L"--shortcuts=desktop,startmenu", L"--add-to-path", L"--components=core,Docs,readme"}));

    settings.AddToPath = false;
    const Ids off = settings.RelaunchArguments(options);
    EXPECT_EQ(off.back(), L"--no-add-to-path");
    // What the elevated copy makes of it: the same choices.
    const Settings elevated = Build(manifest, CommandLineOptions::Parse(off), false);
    EXPECT_FALSE(elevated.AddToPath);
    EXPECT_EQ(elevated.InstallDir, settings.InstallDir);
    EXPECT_EQ(elevated.SelectedComponentIds(), settings.SelectedComponentIds());

    // Where the manifest would not turn PATH on, leaving it out already means off.
    manifest.AddToPathByDefault = false;
    Settings plain = Build(manifest, Parse({}), false);
    const Ids plainArguments = plain.RelaunchArguments(Parse({}));
    EXPECT_EQ(std::count(plainArguments.begin(), plainArguments.end(), L"--no-add-to-path"), 0);

    // An update of an installation that added PATH has it on by default too, whatever the manifest.
    const Core::EarlierInstallations withPath = FoundWithRecord(Earlier{{L"core"}, false, false, true});
    Settings update = BuildOver(manifest, Parse({}), withPath);
    ASSERT_TRUE(update.AddToPath);
    update.AddToPath = false;
    const Ids updateOff = update.RelaunchArguments(Parse({}));
    EXPECT_EQ(updateOff.back(), L"--no-add-to-path");
    EXPECT_FALSE(BuildOver(manifest, CommandLineOptions::Parse(updateOff), withPath).AddToPath);
}

}  // namespace
}  // namespace Ravenquill::Shell
