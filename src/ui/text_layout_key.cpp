#include "text_layout_key.h"

#include <cmath>
#include <functional>

#include "float_text.h"

namespace Ravenquill::Ui {
namespace {

void Combine(std::size_t& seed, std::size_t value) {
    seed ^= value + 0x9E3779B97F4A7C15ull + (seed << 6) + (seed >> 2);
}

}  // namespace

TextFormatKey TextFormatKey::Of(const TextStyle& s) {
    return TextFormatKey{s.Family, s.Size, s.Weight, s.Wrap, s.LineHeight, s.Ellipsis, s.Align};
}

bool operator==(const TextFormatKey& a, const TextFormatKey& b) noexcept {
    return a.Family == b.Family && Detail::SameSingle(a.Size, b.Size) && a.Weight == b.Weight && a.Wrap == b.Wrap &&
           Detail::SameSingle(a.LineHeight, b.LineHeight) && a.Ellipsis == b.Ellipsis && a.Align == b.Align;
}

TextLayoutKey TextLayoutKey::Of(std::wstring_view text, const TextStyle& style, float maxWidth) {
    return TextLayoutKey{std::wstring(text), TextFormatKey::Of(style), maxWidth};
}

bool operator==(const TextLayoutKey& a, const TextLayoutKey& b) noexcept {
    return a.Text == b.Text && a.Format == b.Format && Detail::SameSingle(a.MaxWidth, b.MaxWidth);
}

std::size_t TextFormatKeyHash::operator()(const TextFormatKey& k) const noexcept {
    std::size_t seed = std::hash<std::wstring>{}(k.Family);
    Combine(seed, Detail::HashSingle(k.Size));
    Combine(seed, k.Weight);
    Combine(seed, k.Wrap);
    Combine(seed, Detail::HashSingle(k.LineHeight));
    Combine(seed, k.Ellipsis);
    Combine(seed, static_cast<std::size_t>(k.Align));
    return seed;
}

std::size_t TextLayoutKeyHash::operator()(const TextLayoutKey& k) const noexcept {
    std::size_t seed = std::hash<std::wstring>{}(k.Text);
    Combine(seed, TextFormatKeyHash{}(k.Format));
    Combine(seed, Detail::HashSingle(k.MaxWidth));
    return seed;
}

float LayoutExtent(float extent) noexcept {
    if (std::isinf(extent) || extent > MaxLayoutExtent) return MaxLayoutExtent;
    return extent;
}

float NonNegativeLayoutExtent(float extent) noexcept {
    const float clamped = LayoutExtent(extent);
    return clamped >= 0 ? clamped : 0.0f;  // NaN too
}

std::wstring RoundedClipKey(const Rect& rect, float radius) {
    return L"rr:" + Detail::InvariantSingle(rect.Left) + L"," + Detail::InvariantSingle(rect.Top) + L"," +
           Detail::InvariantSingle(rect.Right) + L"," + Detail::InvariantSingle(rect.Bottom) + L"," +
           Detail::InvariantSingle(radius);
}

}  // namespace Ravenquill::Ui
