#include "core/model/command_line_options.h"

#include <algorithm>
#include <initializer_list>

#include "core/common/text.h"

namespace Ravenquill::Core {
namespace {

bool IsOneOf(const std::wstring& key, std::initializer_list<std::wstring_view> keys) {
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

// Splits at ',', trims each piece and drops the empty ones.
std::vector<std::wstring> SplitList(std::wstring_view value) {
    std::vector<std::wstring> pieces;
    for (const std::wstring& piece : Text::Split(value, L',')) {
        const std::wstring_view trimmed = Text::Trim(piece);
        if (!trimmed.empty()) pieces.emplace_back(trimmed);
    }
    return pieces;
}

std::wstring_view TrimQuotes(std::wstring_view value) {
    while (!value.empty() && value.front() == L'"') value.remove_prefix(1);
    while (!value.empty() && value.back() == L'"') value.remove_suffix(1);
    return value;
}

void ApplyShortcuts(CommandLineOptions& options, std::wstring_view value) {
    bool desktop = false;
    bool startMenu = false;
    for (const std::wstring& piece : SplitList(value)) {
        if (Text::EqualsIgnoreCase(piece, L"desktop")) desktop = true;
        if (Text::EqualsIgnoreCase(piece, L"startmenu") || Text::EqualsIgnoreCase(piece, L"start-menu"))
            startMenu = true;
    }
    options.DesktopShortcut = desktop;
    options.StartMenuShortcut = startMenu;
}

void Apply(CommandLineOptions& options, const std::wstring& key, const std::optional<std::wstring>& value) {
    if (IsOneOf(key, {L"?", L"h", L"help"})) {
        options.ShowHelp = true;
    } else if (IsOneOf(key, {L"d", L"dir", L"installdir"})) {
        if (!value || Text::IsNullOrWhiteSpace(*value)) return;
        // Quotes that survived the platform's splitting go; what is left is the choice, even when
        // nothing is (the install then refuses the empty directory with its own message).
        options.InstallDir = std::wstring(TrimQuotes(*value));
    } else if (IsOneOf(key, {L"q", L"s", L"quiet", L"silent"})) {
        options.Silent = true;
    } else if (IsOneOf(key, {L"u", L"x", L"uninstall"})) {
        options.Uninstall = true;
    } else if (key == L"theme") {
        options.Theme = value;
    } else if (IsOneOf(key, {L"peruser", L"per-user", L"currentuser"})) {
        options.PerMachine = false;
    } else if (IsOneOf(key, {L"permachine", L"per-machine", L"allusers"})) {
        options.PerMachine = true;
    } else if (key == L"elevated") {
        options.Elevated = true;
    } else if (IsOneOf(key, {L"keepdata", L"keep-data"})) {
        options.KeepData = true;
    } else if (IsOneOf(key, {L"addtopath", L"add-to-path"})) {
        options.AddToPath = true;
    } else if (IsOneOf(key, {L"noaddtopath", L"no-add-to-path"})) {
        options.NoAddToPath = true;
    } else if (key == L"components") {
        if (!value) return;
        options.ComponentsSpecified = true;
        for (std::wstring& piece : SplitList(*value)) options.Components.push_back(std::move(piece));
    } else if (key == L"shortcuts") {
        ApplyShortcuts(options, value.value_or(std::wstring()));
    } else if (IsOneOf(key, {L"noshortcuts", L"no-shortcuts"})) {
        options.DesktopShortcut = false;
        options.StartMenuShortcut = false;
    }
    // "selftest" / "self-test" is read by the entry routine from the raw arguments.
}

std::wstring JoinComma(std::span<const std::wstring> items) {
    std::wstring joined;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) joined += L',';
        joined += items[i];
    }
    return joined;
}

}  // namespace

std::pair<std::wstring, std::optional<std::wstring>> CommandLineOptions::SplitKeyValue(std::wstring_view argument) {
    const std::size_t separator = argument.find_first_of(L"=:");
    if (separator == std::wstring_view::npos) return {std::wstring(argument), std::nullopt};
    return {std::wstring(argument.substr(0, separator)), std::wstring(argument.substr(separator + 1))};
}

CommandLineOptions CommandLineOptions::Parse(std::span<const std::wstring> arguments) {
    CommandLineOptions options;
    for (const std::wstring& argument : arguments) {
        std::wstring_view normalised = Text::Trim(argument);
        while (!normalised.empty() && (normalised.front() == L'-' || normalised.front() == L'/'))
            normalised.remove_prefix(1);
        auto [key, value] = SplitKeyValue(normalised);
        Apply(options, Text::ToLower(key), value);
    }
    return options;
}

std::vector<std::wstring> CommandLineOptions::ToArguments(std::wstring_view installDir, bool perMachine,
                                                          bool desktopShortcut, bool startMenuShortcut, bool addToPath,
                                                          std::span<const std::wstring> selectedComponentIds) const {
    std::vector<std::wstring> arguments;
    arguments.emplace_back(L"--elevated");
    if (Uninstall) arguments.emplace_back(L"--uninstall");
    if (Silent) arguments.emplace_back(L"--silent");
    arguments.push_back(L"--dir=\"" + std::wstring(installDir) + L"\"");
    arguments.emplace_back(perMachine ? L"--per-machine" : L"--per-user");
    std::wstring shortcuts = L"--shortcuts=";
    if (desktopShortcut) shortcuts += L"desktop";
    if (desktopShortcut && startMenuShortcut) shortcuts += L',';
    if (startMenuShortcut) shortcuts += L"startmenu";
    arguments.push_back(std::move(shortcuts));
    if (addToPath) arguments.emplace_back(L"--add-to-path");
    if (KeepData) arguments.emplace_back(L"--keep-data");
    arguments.push_back(L"--components=" + JoinComma(selectedComponentIds));
    return arguments;
}

}  // namespace Ravenquill::Core
