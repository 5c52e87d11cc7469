#include "theme.h"

#include <cmath>

#include "core/common/text.h"

namespace Ravenquill::Ui {
namespace {

// The five accent slots before an accent is applied; the same in both palettes.
void SetStartingAccent(Theme& t) {
    t.Accent = 0xFF4C8DFF;
    t.AccentHover = 0xFF6BA1FF;
    t.AccentPressed = 0xFF3D74D6;
    t.AccentSoft = 0x264C8DFF;
    t.OnAccent = 0xFFFFFFFF;
}

// White space as the platform's number parsing allows it around a number.
bool IsNumberWhite(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// An unsigned 32-bit hexadecimal number with optional white space around it, no prefix.
std::optional<std::uint32_t> ParseHex(std::wstring_view s) {
    std::size_t begin = 0;
    std::size_t end = s.size();
    while (begin < end && IsNumberWhite(s[begin])) ++begin;
    while (end > begin && IsNumberWhite(s[end - 1])) --end;
    if (begin == end) return std::nullopt;
    std::uint64_t value = 0;
    for (std::size_t i = begin; i < end; ++i) {
        const int digit = HexDigit(s[i]);
        if (digit < 0) return std::nullopt;
        value = value * 16 + static_cast<std::uint64_t>(digit);
        if (value > 0xFFFFFFFFull) return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

}  // namespace

Theme Theme::Dark() {
    Theme t;
    t.Background = 0xFF17181C;
    t.Sidebar = 0xFF1E1F24;
    t.Panel = 0xFF212228;
    t.Control = 0xFF282A31;
    t.Hover = 0xFF31333B;
    t.Border = 0xFF2E3037;
    t.StrongBorder = 0xFF42454F;
    t.Text = 0xFFF3F4F6;
    t.TextSecondary = 0xFFAFB2BC;
    t.TextMuted = 0xFF7E828D;
    t.Success = 0xFF4FC98A;
    t.Warning = 0xFFE5B44B;
    t.Error = 0xFFEE6C6C;
    t.WarningSoft = 0x1FE5B44B;
    t.ErrorSoft = 0x1FEE6C6C;
    t.Track = 0xFF32343C;
    t.Scrim = 0xB315161A;
    t.CloseHover = 0xFFC42B1C;
    t.ShadowOpacity = 0.55f;
    SetStartingAccent(t);
    t.IsLight = false;
    return t;
}

Theme Theme::Light() {
    Theme t;
    t.Background = 0xFFFCFCFD;
    t.Sidebar = 0xFFF2F3F5;
    t.Panel = 0xFFFFFFFF;
    t.Control = 0xFFFFFFFF;
    t.Hover = 0xFFEDEEF1;
    t.Border = 0xFFE2E3E8;
    t.StrongBorder = 0xFFC4C7D0;
    t.Text = 0xFF1A1B1F;
    t.TextSecondary = 0xFF585B65;
    t.TextMuted = 0xFF8A8D97;
    t.Success = 0xFF1E9E62;
    t.Warning = 0xFFB57A14;
    t.Error = 0xFFD14343;
    t.WarningSoft = 0x1FB57A14;
    t.ErrorSoft = 0x1FD14343;
    t.Track = 0xFFE4E5EA;
    t.Scrim = 0x59262932;
    t.CloseHover = 0xFFC42B1C;
    t.ShadowOpacity = 0.22f;
    SetStartingAccent(t);
    t.IsLight = true;
    return t;
}

Theme Theme::Resolve(ThemeMode mode) { return SystemTheme::IsLight(mode) ? Light() : Dark(); }

void Theme::ApplyAccent(std::optional<std::wstring_view> text) {
    const auto parsed = TryParseColor(text);
    if (!parsed) return;
    const std::uint32_t c = *parsed;
    Accent = c;
    AccentHover = Shade(c, +0.12);
    AccentPressed = Shade(c, -0.12);
    AccentSoft = (c & 0x00FFFFFFu) | 0x26000000u;
    OnAccent = Luminance(c) > 0.55 ? 0xFF101216u : 0xFFFFFFFFu;
}

std::optional<std::uint32_t> Theme::TryParseColor(std::optional<std::wstring_view> text) {
    if (!text || Text::IsNullOrWhiteSpace(*text)) return std::nullopt;
    std::wstring_view s = Text::Trim(*text);
    while (!s.empty() && s.front() == L'#') s.remove_prefix(1);
    std::wstring digits(s);
    if (digits.size() == 6) digits = L"FF" + digits;
    if (digits.size() != 8) return std::nullopt;
    return ParseHex(digits);
}

std::uint32_t Theme::Shade(std::uint32_t color, double k) noexcept {
    const auto channel = [&](int shift) {
        return static_cast<std::uint32_t>(ShadeChannel(static_cast<std::uint8_t>(color >> shift), k)) << shift;
    };
    return 0xFF000000u | channel(16) | channel(8) | channel(0);
}

std::uint8_t Theme::ShadeChannel(std::uint8_t c, double k) noexcept {
    double v = k >= 0 ? c + (255.0 - c) * k : c * (1.0 + k);
    if (!(v >= 0)) v = 0;  // NaN too
    if (v > 255) v = 255;
    return static_cast<std::uint8_t>(v);
}

double Theme::Luminance(std::uint32_t color) noexcept {
    const double r = (color >> 16) & 0xFF;
    const double g = (color >> 8) & 0xFF;
    const double b = color & 0xFF;
    return (0.2126 * r + 0.7152 * g + 0.0722 * b) / 255.0;
}

namespace SystemTheme {

ThemeMode ParseMode(std::optional<std::wstring_view> text) {
    if (!text) return ThemeMode::Auto;
    const std::wstring mode = Text::ToLower(Text::Trim(*text));
    if (mode == L"light") return ThemeMode::Light;
    if (mode == L"dark") return ThemeMode::Dark;
    return ThemeMode::Auto;
}

bool IsLight(ThemeMode mode) {
    switch (mode) {
        case ThemeMode::Dark:
            return false;
        case ThemeMode::Light:
            return true;
        default:
            return AppsUseLightTheme();
    }
}

}  // namespace SystemTheme

}  // namespace Ravenquill::Ui
