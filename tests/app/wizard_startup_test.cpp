#include "app/wizard_startup.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace Ravenquill::Program {
namespace {

TEST(WizardStartup, TheCommandLinesThemeWinsOverTheManifests) {
    struct Case {
        std::optional<std::wstring> argument;  // --theme=…
        std::wstring manifest;
        Ui::ThemeMode mode;
    };
    const Case cases[] = {
        {L"light", L"dark", Ui::ThemeMode::Light},    {L"DARK", L"light", Ui::ThemeMode::Dark},
        {L"sepia", L"dark", Ui::ThemeMode::Auto},  // not light or dark: the system's setting
        {L"", L"dark", Ui::ThemeMode::Auto},       // an empty value is a value too
        {std::nullopt, L"dark", Ui::ThemeMode::Dark}, {std::nullopt, L"Light ", Ui::ThemeMode::Light},
        {std::nullopt, L"auto", Ui::ThemeMode::Auto}, {std::nullopt, L"blue", Ui::ThemeMode::Auto},
    };
    for (const Case& c : cases) {
        Core::InstallManifest manifest;
        manifest.Theme = c.manifest;
        std::vector<std::wstring> arguments;
        if (c.argument) arguments.push_back(L"--theme=" + *c.argument);
        const Core::CommandLineOptions options = Core::CommandLineOptions::Parse(arguments);
        ASSERT_EQ(options.Theme.has_value(), c.argument.has_value());
        EXPECT_EQ(WizardThemeMode(manifest, options), c.mode) << c.manifest;
    }
}

TEST(WizardStartup, ThePaletteCarriesTheManifestsAccent) {
    Core::InstallManifest manifest;
    manifest.Theme = L"light";
    manifest.Accent = L"#FF8800";
    const Ui::Theme theme = WizardTheme(manifest, Core::CommandLineOptions{});
    EXPECT_TRUE(theme.IsLight);
    Ui::Theme expected = Ui::Theme::Light();
    expected.ApplyAccent(manifest.EffectiveAccent());
    EXPECT_EQ(theme.Accent, expected.Accent);
    EXPECT_NE(theme.Accent, Ui::Theme::Light().Accent);
}

}  // namespace
}  // namespace Ravenquill::Program
