#include "core/model/command_line_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Ravenquill::Core {
namespace {

using Args = std::vector<std::wstring>;

CommandLineOptions Parse(const Args& args) { return CommandLineOptions::Parse(args); }

TEST(CommandLineOptions, NoArgumentsGiveInitialValues) {
    const CommandLineOptions o = Parse({});
    EXPECT_FALSE(o.InstallDir);
    EXPECT_FALSE(o.Theme);
    EXPECT_TRUE(o.Components.empty());
    EXPECT_FALSE(o.Uninstall || o.Silent || o.ShowHelp || o.AddToPath || o.KeepData || o.ComponentsSpecified ||
                 o.Elevated || o.NoAddToPath);
    EXPECT_FALSE(o.PerMachine);
    EXPECT_FALSE(o.DesktopShortcut);
    EXPECT_FALSE(o.StartMenuShortcut);
}

TEST(CommandLineOptions, EveryFlagKeyAndPrefixSetsItsFlag) {
    struct Case {
        std::wstring argument;
        bool CommandLineOptions::*flag;
    };
    const Case cases[] = {
        {L"/S", &CommandLineOptions::Silent},
        {L"-s", &CommandLineOptions::Silent},
        {L"--SILENT", &CommandLineOptions::Silent},
        {L"quiet", &CommandLineOptions::Silent},
        {L"silent", &CommandLineOptions::Silent},
        {L"/q", &CommandLineOptions::Silent},
        {L"-/-S", &CommandLineOptions::Silent},
        {L"/?", &CommandLineOptions::ShowHelp},
        {L"-h", &CommandLineOptions::ShowHelp},
        {L"--help=yes", &CommandLineOptions::ShowHelp},
        {L"/u", &CommandLineOptions::Uninstall},
        {L"-x", &CommandLineOptions::Uninstall},
        {L"--uninstall=no", &CommandLineOptions::Uninstall},
        {L"--elevated", &CommandLineOptions::Elevated},
        {L"--keepdata", &CommandLineOptions::KeepData},
        {L"--Keep-Data", &CommandLineOptions::KeepData},
        {L"/addtopath", &CommandLineOptions::AddToPath},
        {L"--add-to-path=false", &CommandLineOptions::AddToPath},
        {L"--no-add-to-path", &CommandLineOptions::NoAddToPath},
        {L"/NoAddToPath", &CommandLineOptions::NoAddToPath},
        {L"  \t--silent  ", &CommandLineOptions::Silent},
    };
    for (const Case& c : cases) {
        const CommandLineOptions o = Parse({c.argument});
        EXPECT_TRUE(o.*c.flag) << std::string(c.argument.begin(), c.argument.end());
    }
}

TEST(CommandLineOptions, UnknownAndEmptyKeysAreIgnored) {
    const CommandLineOptions o =
        Parse({L"", L"--", L"/", L"--bogus", L"=value", L"silently", L"--selftest=C:\\out", L"--self-test", L"--s-"});
    EXPECT_FALSE(o.Silent || o.ShowHelp || o.Uninstall || o.Elevated);
    EXPECT_FALSE(o.InstallDir);
}

TEST(CommandLineOptions, DirectoryFormsAndAliases) {
    for (const std::wstring argument :
         {L"/D=C:\\Apps\\X", L"/D:C:\\Apps\\X", L"--dir=C:\\Apps\\X", L"--installdir:C:\\Apps\\X",
          L"  --dir=C:\\Apps\\X  ", L"--dir=\"C:\\Apps\\X\"", L"--DIR=\"\"C:\\Apps\\X\""}) {
        EXPECT_EQ(Parse({argument}).InstallDir, L"C:\\Apps\\X") << std::string(argument.begin(), argument.end());
    }
    EXPECT_FALSE(Parse({L"--dir", L"C:\\Apps\\X"}).InstallDir);
    EXPECT_EQ(Parse({L"--dir=C:\\A", L"--dir="}).InstallDir, L"C:\\A");
    EXPECT_EQ(Parse({L"--dir=C:\\A", L"--dir=   "}).InstallDir, L"C:\\A");
    EXPECT_EQ(Parse({L"--dir=C:\\A", L"--dir=D:\\B"}).InstallDir, L"D:\\B");
    // The argument is trimmed as a whole, the value itself is not.
    EXPECT_EQ(Parse({L"--dir= C:\\A "}).InstallDir, L" C:\\A");
}

// Only an absent, empty or blank value is no choice; quotes are taken off after that test, so a
// value of quotes alone leaves an empty directory (and replaces an earlier one).
TEST(CommandLineOptions, DirectoryOfOnlyQuotesIsEmpty) {
    EXPECT_EQ(Parse({L"--dir=\"\""}).InstallDir, L"");
    EXPECT_EQ(Parse({L"--dir=C:\\A", L"--dir=\"\""}).InstallDir, L"");
    EXPECT_EQ(Parse({L"--dir=\" \""}).InstallDir, L" ");
}

TEST(CommandLineOptions, SplitKeyValueAtFirstSeparator) {
    using Pair = std::pair<std::wstring, std::optional<std::wstring>>;
    EXPECT_EQ(CommandLineOptions::SplitKeyValue(L"D:C:\\x"), (Pair{L"D", L"C:\\x"}));
    EXPECT_EQ(CommandLineOptions::SplitKeyValue(L"components=a=b"), (Pair{L"components", L"a=b"}));
    EXPECT_EQ(CommandLineOptions::SplitKeyValue(L"theme="), (Pair{L"theme", L""}));
    EXPECT_EQ(CommandLineOptions::SplitKeyValue(L"silent"), (Pair{L"silent", std::nullopt}));
    EXPECT_EQ(CommandLineOptions::SplitKeyValue(L""), (Pair{L"", std::nullopt}));
}

TEST(CommandLineOptions, ScopeLaterKeyWins) {
    EXPECT_EQ(Parse({L"--per-user", L"--per-machine"}).PerMachine, true);
    EXPECT_EQ(Parse({L"--allusers", L"--currentuser"}).PerMachine, false);
    EXPECT_EQ(Parse({L"/permachine"}).PerMachine, true);
    EXPECT_EQ(Parse({L"/PerUser"}).PerMachine, false);
}

TEST(CommandLineOptions, Shortcuts) {
    struct Case {
        Args args;
        std::optional<bool> desktop;
        std::optional<bool> startMenu;
    };
    const Case cases[] = {
        {{L"--shortcuts=Desktop, START-MENU,foo"}, true, true},
        {{L"--shortcuts=startmenu"}, false, true},
        {{L"--shortcuts=desktop", L"--no-shortcuts"}, false, false},
        {{L"--no-shortcuts", L"--shortcuts=startmenu"}, false, true},
        {{L"--noshortcuts"}, false, false},
        {{L"--shortcuts"}, false, false},
        {{L"--shortcuts="}, false, false},
        {{L"--shortcuts=desktop", L"--shortcuts=startmenu"}, false, true},
    };
    for (const Case& c : cases) {
        const CommandLineOptions o = Parse(c.args);
        EXPECT_EQ(o.DesktopShortcut, c.desktop) << std::string(c.args[0].begin(), c.args[0].end());
        EXPECT_EQ(o.StartMenuShortcut, c.startMenu) << std::string(c.args[0].begin(), c.args[0].end());
    }
}

TEST(CommandLineOptions, ComponentsAccumulateTrimmedAndInOrder) {
    const CommandLineOptions o = Parse({L"--components=a, b,,c", L"--components=d", L"--components=a"});
    EXPECT_TRUE(o.ComponentsSpecified);
    EXPECT_EQ(o.Components, (Args{L"a", L"b", L"c", L"d", L"a"}));

    const CommandLineOptions withoutValue = Parse({L"--components"});
    EXPECT_FALSE(withoutValue.ComponentsSpecified);
    EXPECT_TRUE(withoutValue.Components.empty());

    const CommandLineOptions emptyValue = Parse({L"--components="});
    EXPECT_TRUE(emptyValue.ComponentsSpecified);
    EXPECT_TRUE(emptyValue.Components.empty());

    EXPECT_EQ(Parse({L"--Components:Core"}).Components, (Args{L"Core"}));
}

TEST(CommandLineOptions, ThemeLastKeyWinsAndKeepsCase) {
    EXPECT_EQ(Parse({L"--theme=Dark"}).Theme, L"Dark");
    EXPECT_FALSE(Parse({L"--theme=dark", L"--theme"}).Theme);
    EXPECT_EQ(Parse({L"--theme="}).Theme, L"");
}

TEST(CommandLineOptions, ToArgumentsForDocumentedChoice) {
    CommandLineOptions o;
    o.KeepData = true;
    const Args components{L"core", L"docs"};
    EXPECT_EQ(o.ToArguments(L"C:\\Program Files\\X", false, true, false, false, components),
              (Args{L"--elevated", L"--dir=\"C:\\Program Files\\X\"", L"--per-user", L"--shortcuts=desktop",
                    L"--keep-data", L"--components=core,docs"}));
}

TEST(CommandLineOptions, ToArgumentsAlwaysCarriesScopeShortcutsAndComponents) {
    CommandLineOptions o;
    o.Uninstall = true;
    o.Silent = true;
    o.Theme = L"dark";
    // Relaunch-only: the caller appends it itself when it applies.
    o.NoAddToPath = true;
    EXPECT_EQ(o.ToArguments(L"", true, false, false, false, {}),
              (Args{L"--elevated", L"--uninstall", L"--silent", L"--dir=\"\"", L"--per-machine", L"--shortcuts=",
                    L"--components="}));
    EXPECT_EQ(o.ToArguments(L"D:\\X", true, true, true, true, Args{L"a"}),
              (Args{L"--elevated", L"--uninstall", L"--silent", L"--dir=\"D:\\X\"", L"--per-machine",
                    L"--shortcuts=desktop,startmenu", L"--add-to-path", L"--components=a"}));
}

// The platform's splitting of one command line into arguments: 2n backslashes before a quote
// give n and the quote toggles quoting; 2n+1 give n and a literal quote; others are literal.
Args SplitCommandLine(const std::wstring& line) {
    Args args;
    std::wstring current;
    bool inQuotes = false;
    bool any = false;
    for (std::size_t i = 0; i < line.size();) {
        const wchar_t c = line[i];
        if (c == L'\\') {
            std::size_t n = 0;
            while (i < line.size() && line[i] == L'\\') ++n, ++i;
            if (i < line.size() && line[i] == L'"') {
                current.append(n / 2, L'\\');
                if (n % 2 == 1) {
                    current += L'"';
                    ++i;
                }
            } else {
                current.append(n, L'\\');
            }
            any = true;
        } else if (c == L'"') {
            inQuotes = !inQuotes;
            any = true;
            ++i;
        } else if ((c == L' ' || c == L'\t') && !inQuotes) {
            if (any) args.push_back(std::move(current));
            current.clear();
            any = false;
            ++i;
        } else {
            current += c;
            any = true;
            ++i;
        }
    }
    if (any) args.push_back(std::move(current));
    return args;
}

// How the relaunch joins the items: an item with a quote goes as it is, except that backslashes
// before a quote are doubled; an item with a blank and no quote is quoted.
std::wstring JoinForRelaunch(const Args& items) {
    std::wstring line;
    for (const std::wstring& item : items) {
        if (!line.empty()) line += L' ';
        const bool quote = item.find(L'"') == std::wstring::npos && item.find_first_of(L" \t") != std::wstring::npos;
        if (quote) line += L'"';
        std::size_t backslashes = 0;
        for (std::size_t i = 0; i <= item.size(); ++i) {
            const bool end = i == item.size();
            if (!end && item[i] == L'\\') {
                ++backslashes;
                continue;
            }
            const bool beforeQuote = (!end && item[i] == L'"') || (end && quote);
            line.append(beforeQuote ? backslashes * 2 : backslashes, L'\\');
            backslashes = 0;
            if (!end) line += item[i];
        }
        if (quote) line += L'"';
    }
    return line;
}

TEST(CommandLineOptions, RelaunchRoundTripKeepsEveryChoice) {
    for (const std::wstring directory :
         {L"C:\\Program Files\\X", L"D:\\", L"E:\\Apps\\\\", L"C:\\a b\\c", L"\\\\server\\share\\"}) {
        CommandLineOptions first;
        first.KeepData = true;
        first.Silent = true;
        const Args items = first.ToArguments(directory, true, false, true, true, Args{L"core", L"docs"});
        const CommandLineOptions elevated = CommandLineOptions::Parse(SplitCommandLine(JoinForRelaunch(items)));
        const std::string label(directory.begin(), directory.end());
        EXPECT_EQ(elevated.InstallDir, directory) << label;
        EXPECT_TRUE(elevated.Elevated);
        EXPECT_TRUE(elevated.Silent);
        EXPECT_TRUE(elevated.KeepData);
        EXPECT_FALSE(elevated.Uninstall);
        EXPECT_EQ(elevated.PerMachine, true);
        EXPECT_EQ(elevated.DesktopShortcut, false);
        EXPECT_EQ(elevated.StartMenuShortcut, true);
        EXPECT_TRUE(elevated.AddToPath);
        EXPECT_TRUE(elevated.ComponentsSpecified);
        EXPECT_EQ(elevated.Components, (Args{L"core", L"docs"}));
    }
}

TEST(CommandLineOptions, RelaunchOfEmptyChoicesStillSpecifiesThem) {
    const Args items = CommandLineOptions().ToArguments(L"C:\\X", false, false, false, false, {});
    const CommandLineOptions elevated = CommandLineOptions::Parse(SplitCommandLine(JoinForRelaunch(items)));
    EXPECT_EQ(elevated.PerMachine, false);
    EXPECT_EQ(elevated.DesktopShortcut, false);
    EXPECT_EQ(elevated.StartMenuShortcut, false);
    EXPECT_TRUE(elevated.ComponentsSpecified);
    EXPECT_TRUE(elevated.Components.empty());
    EXPECT_FALSE(elevated.AddToPath);
    // Parsed straight from the items (quotes still in the text), the directory loses them.
    EXPECT_EQ(CommandLineOptions::Parse(items).InstallDir, L"C:\\X");
}

}  // namespace
}  // namespace Ravenquill::Core
