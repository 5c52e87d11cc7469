#pragma once
// The palette that the frame, the widgets and the pages draw with: dark and light variants, five
// accent slots derived from one accent colour, and the mode that picks a palette when the wizard
// starts. Colours are 0xAARRGGBB with straight alpha.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Ravenquill::Ui {

enum class ThemeMode : int { Auto = 0, Dark = 1, Light = 2 };

struct Theme {
    std::uint32_t Background = 0;
    std::uint32_t Sidebar = 0;
    std::uint32_t Panel = 0;
    std::uint32_t Control = 0;
    std::uint32_t Hover = 0;
    std::uint32_t Border = 0;
    std::uint32_t StrongBorder = 0;
    std::uint32_t Text = 0;
    std::uint32_t TextSecondary = 0;
    std::uint32_t TextMuted = 0;
    std::uint32_t Success = 0;
    std::uint32_t Warning = 0;
    std::uint32_t Error = 0;
    std::uint32_t WarningSoft = 0;
    std::uint32_t ErrorSoft = 0;
    std::uint32_t Track = 0;
    std::uint32_t Scrim = 0;
    std::uint32_t CloseHover = 0;
    float ShadowOpacity = 0;
    std::uint32_t Accent = 0;
    std::uint32_t AccentHover = 0;
    std::uint32_t AccentPressed = 0;
    std::uint32_t AccentSoft = 0;
    std::uint32_t OnAccent = 0;
    bool IsLight = false;

    static Theme Dark();
    static Theme Light();
    // Light() when SystemTheme::IsLight(mode), else Dark().
    static Theme Resolve(ThemeMode mode);

    // Replaces the five accent slots from a colour text; null or a text that is not a colour
    // changes nothing.
    void ApplyAccent(std::optional<std::wstring_view> text);

    // "#RRGGBB" (opaque) or "#AARRGGBB": any number of leading '#', white space around, hex digits
    // in either case. Nothing for a text that is not such a colour.
    static std::optional<std::uint32_t> TryParseColor(std::optional<std::wstring_view> text);
    // Opaque colour with each channel moved towards white (k >= 0) or black (k < 0).
    static std::uint32_t Shade(std::uint32_t color, double k) noexcept;
    static std::uint8_t ShadeChannel(std::uint8_t c, double k) noexcept;
    // Relative luminance of the colour's red, green and blue in 0..1; alpha is ignored.
    static double Luminance(std::uint32_t color) noexcept;
};

namespace SystemTheme {

// "light" → Light, "dark" → Dark (trimmed, any letter case); anything else and null → Auto.
ThemeMode ParseMode(std::optional<std::wstring_view> text);
// Dark → false, Light → true, any other value → AppsUseLightTheme().
bool IsLight(ThemeMode mode);
// The user's setting for applications; false when it cannot be read. The native build has no
// such setting and always answers false.
bool AppsUseLightTheme();

}  // namespace SystemTheme

}  // namespace Ravenquill::Ui
