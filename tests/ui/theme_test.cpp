#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "ui/theme.h"

namespace Ravenquill::Ui {
namespace {

struct Slot {
    const char* Name;
    std::uint32_t Theme::*Member;
    std::uint32_t Dark;
    std::uint32_t Light;
};

TEST(Theme, PalettesHoldTheirExactColours) {
    const Slot slots[] = {
        {"Background", &Theme::Background, 0xFF17181C, 0xFFFCFCFD},
        {"Sidebar", &Theme::Sidebar, 0xFF1E1F24, 0xFFF2F3F5},
        {"Panel", &Theme::Panel, 0xFF212228, 0xFFFFFFFF},
        {"Control", &Theme::Control, 0xFF282A31, 0xFFFFFFFF},
        {"Hover", &Theme::Hover, 0xFF31333B, 0xFFEDEEF1},
        {"Border", &Theme::Border, 0xFF2E3037, 0xFFE2E3E8},
        {"StrongBorder", &Theme::StrongBorder, 0xFF42454F, 0xFFC4C7D0},
        {"Text", &Theme::Text, 0xFFF3F4F6, 0xFF1A1B1F},
        {"TextSecondary", &Theme::TextSecondary, 0xFFAFB2BC, 0xFF585B65},
        {"TextMuted", &Theme::TextMuted, 0xFF7E828D, 0xFF8A8D97},
        {"Success", &Theme::Success, 0xFF4FC98A, 0xFF1E9E62},
        {"Warning", &Theme::Warning, 0xFFE5B44B, 0xFFB57A14},
        {"Error", &Theme::Error, 0xFFEE6C6C, 0xFFD14343},
        {"WarningSoft", &Theme::WarningSoft, 0x1FE5B44B, 0x1FB57A14},
        {"ErrorSoft", &Theme::ErrorSoft, 0x1FEE6C6C, 0x1FD14343},
        {"Track", &Theme::Track, 0xFF32343C, 0xFFE4E5EA},
        {"Scrim", &Theme::Scrim, 0xB315161A, 0x59262932},
        {"CloseHover", &Theme::CloseHover, 0xFFC42B1C, 0xFFC42B1C},
        {"Accent", &Theme::Accent, 0xFF4C8DFF, 0xFF4C8DFF},
        {"AccentHover", &Theme::AccentHover, 0xFF6BA1FF, 0xFF6BA1FF},
        {"AccentPressed", &Theme::AccentPressed, 0xFF3D74D6, 0xFF3D74D6},
        {"AccentSoft", &Theme::AccentSoft, 0x264C8DFF, 0x264C8DFF},
        {"OnAccent", &Theme::OnAccent, 0xFFFFFFFF, 0xFFFFFFFF},
    };
    const Theme dark = Theme::Dark();
    const Theme light = Theme::Light();
    for (const Slot& s : slots) {
        EXPECT_EQ(dark.*s.Member, s.Dark) << s.Name;
        EXPECT_EQ(light.*s.Member, s.Light) << s.Name;
    }
    EXPECT_FLOAT_EQ(dark.ShadowOpacity, 0.55f);
    EXPECT_FLOAT_EQ(light.ShadowOpacity, 0.22f);
    EXPECT_FALSE(dark.IsLight);
    EXPECT_TRUE(light.IsLight);
}

TEST(Theme, ApplyAccentDerivesTheFiveSlots) {
    struct Case {
        const wchar_t* Text;
        std::uint32_t Accent, Hover, Pressed, Soft, OnAccent;
    };
    const Case cases[] = {
        {L"#4C8DFF", 0xFF4C8DFF, 0xFF619AFF, 0xFF427CE0, 0x264C8DFF, 0xFFFFFFFF},
        {L"#FFFFFF", 0xFFFFFFFF, 0xFFFFFFFF, 0xFFE0E0E0, 0x26FFFFFF, 0xFF101216},
        {L"#000000", 0xFF000000, 0xFF1E1E1E, 0xFF000000, 0x26000000, 0xFFFFFFFF},
        {L"#804C8DFF", 0x804C8DFF, 0xFF619AFF, 0xFF427CE0, 0x264C8DFF, 0xFFFFFFFF},
    };
    for (const Case& c : cases) {
        for (Theme t : {Theme::Dark(), Theme::Light()}) {
            t.ApplyAccent(c.Text);
            EXPECT_EQ(t.Accent, c.Accent) << c.Text;
            EXPECT_EQ(t.AccentHover, c.Hover) << c.Text;
            EXPECT_EQ(t.AccentPressed, c.Pressed) << c.Text;
            EXPECT_EQ(t.AccentSoft, c.Soft) << c.Text;
            EXPECT_EQ(t.OnAccent, c.OnAccent) << c.Text;
        }
    }
}

TEST(Theme, ApplyAccentOfANonColourChangesNothing) {
    const std::optional<std::wstring_view> texts[] = {L"#F0F", L"", L"blue", L"0x4C8DFF", std::nullopt};
    for (const auto& text : texts) {
        Theme t = Theme::Dark();
        t.ApplyAccent(text);
        EXPECT_EQ(t.Accent, 0xFF4C8DFFu);
        EXPECT_EQ(t.AccentHover, 0xFF6BA1FFu);
        EXPECT_EQ(t.AccentPressed, 0xFF3D74D6u);
        EXPECT_EQ(t.AccentSoft, 0x264C8DFFu);
        EXPECT_EQ(t.OnAccent, 0xFFFFFFFFu) << (text ? text->size() : 99);
    }
}

TEST(Theme, TryParseColorAcceptsOnlySixOrEightHexDigits) {
    struct Case {
        std::optional<std::wstring_view> Text;
        std::optional<std::uint32_t> Expected;
    };
    const Case cases[] = {
        {L"#4c8dff", 0xFF4C8DFF},     {L"4C8DFF", 0xFF4C8DFF},
        {L"##4C8DFF", 0xFF4C8DFF},    {L"  #FF4C8DFF \t", 0xFF4C8DFF},
        {L"#804C8DFF", 0x804C8DFF},   {L"\u00A0#4C8DFF\u2003", 0xFF4C8DFF},  // Unicode white space is trimmed too
        {L"#4C8DF", std::nullopt},    {L"#4C8DFF0", std::nullopt},
        {L"blue", std::nullopt},      {L"0x4C8DFF", std::nullopt},
        {L"#4C 8DFF", std::nullopt},  {L"#GG8DFF", std::nullopt},
        {L"#  4C8DFF", 0x004C8DFF},  // eight characters; the hex reading allows white space before
        {L"#-4C8DFF", std::nullopt},  {L"#+4C8DFF", std::nullopt},
        {L"", std::nullopt},          {L"   ", std::nullopt},
        {std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        const auto text = c.Text ? std::wstring(*c.Text) : std::wstring(L"(null)");
        EXPECT_EQ(Theme::TryParseColor(c.Text), c.Expected) << std::string(text.begin(), text.end());
    }
}

TEST(Theme, OnAccentTurnsDarkOnlyAboveLuminance055) {
    // Grey 0x8C has luminance 0.549, grey 0x8D 0.553.
    EXPECT_LT(Theme::Luminance(0xFF8C8C8C), 0.55);
    EXPECT_GT(Theme::Luminance(0xFF8D8D8D), 0.55);
    Theme below = Theme::Dark();
    below.ApplyAccent(L"#8C8C8C");
    EXPECT_EQ(below.OnAccent, 0xFFFFFFFFu);
    Theme above = Theme::Dark();
    above.ApplyAccent(L"#8D8D8D");
    EXPECT_EQ(above.OnAccent, 0xFF101216u);
    // 0x349BFE lies exactly on the threshold and keeps white text; one step bluer crosses it.
    EXPECT_EQ(Theme::Luminance(0xFF349BFE), 0.55);
    Theme exact = Theme::Dark();
    exact.ApplyAccent(L"#349BFE");
    EXPECT_EQ(exact.OnAccent, 0xFFFFFFFFu);
    Theme justAbove = Theme::Dark();
    justAbove.ApplyAccent(L"#349BFF");
    EXPECT_EQ(justAbove.OnAccent, 0xFF101216u);
    EXPECT_NEAR(Theme::Luminance(0xFF4C8DFF), 0.531, 0.001);
    EXPECT_DOUBLE_EQ(Theme::Luminance(0x00FFFFFF), Theme::Luminance(0xFFFFFFFF));  // alpha ignored
}

TEST(Theme, ShadeStaysWithinTheChannelRange) {
    for (int c = 0; c < 256; ++c) {
        const auto channel = static_cast<std::uint8_t>(c);
        EXPECT_GE(Theme::ShadeChannel(channel, 0.5), channel);
        EXPECT_LE(Theme::ShadeChannel(channel, -0.5), channel);
    }
    EXPECT_EQ(Theme::ShadeChannel(255, 0.12), 255);
    EXPECT_EQ(Theme::ShadeChannel(255, 5.0), 255);
    EXPECT_EQ(Theme::ShadeChannel(0, -0.12), 0);
    EXPECT_EQ(Theme::ShadeChannel(200, -3.0), 0);  // would be negative: clamped
    EXPECT_EQ(Theme::ShadeChannel(76, 0.12), 97);  // 97.48 truncated
    // The colour's own alpha is dropped: a shade is always opaque.
    EXPECT_EQ(Theme::Shade(0x10204080, 0), 0xFF204080u);
}

TEST(SystemTheme, ParseModeTrimsAndIgnoresCase) {
    struct Case {
        std::optional<std::wstring_view> Text;
        ThemeMode Expected;
    };
    const Case cases[] = {
        {L" LIGHT ", ThemeMode::Light},  {L"Dark", ThemeMode::Dark},   {L"\tdark\n", ThemeMode::Dark},
        {L"auto", ThemeMode::Auto},      {L"system", ThemeMode::Auto}, {L"", ThemeMode::Auto},
        {std::nullopt, ThemeMode::Auto}, {L"lights", ThemeMode::Auto},
    };
    for (const Case& c : cases) EXPECT_EQ(SystemTheme::ParseMode(c.Text), c.Expected);
}

TEST(SystemTheme, ExplicitModesDecideWithoutTheSystem) {
    EXPECT_FALSE(SystemTheme::IsLight(ThemeMode::Dark));
    EXPECT_TRUE(SystemTheme::IsLight(ThemeMode::Light));
    EXPECT_FALSE(Theme::Resolve(ThemeMode::Dark).IsLight);
    EXPECT_TRUE(Theme::Resolve(ThemeMode::Light).IsLight);
    EXPECT_EQ(Theme::Resolve(ThemeMode::Light).Background, 0xFFFCFCFDu);
}

}  // namespace
}  // namespace Ravenquill::Ui
