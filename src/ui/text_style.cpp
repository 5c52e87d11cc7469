#include "text_style.h"

#include <functional>

#include "core/common/number_format.h"
#include "float_text.h"

namespace Ravenquill::Ui {
namespace {

const wchar_t* BooleanText(bool value) { return value ? L"True" : L"False"; }

void Combine(std::size_t& seed, std::size_t value) {
    seed ^= value + 0x9E3779B97F4A7C15ull + (seed << 6) + (seed >> 2);
}

}  // namespace

std::wstring ToString(TextAlign align) {
    switch (align) {
        case TextAlign::Left:
            return L"Left";
        case TextAlign::Center:
            return L"Center";
        case TextAlign::Right:
            return L"Right";
    }
    return std::to_wstring(static_cast<int>(align));
}

bool operator==(const TextStyle& a, const TextStyle& b) noexcept {
    return a.Family == b.Family && Detail::SameSingle(a.Size, b.Size) && a.Weight == b.Weight && a.Color == b.Color &&
           a.Wrap == b.Wrap && Detail::SameSingle(a.LineHeight, b.LineHeight) && a.Ellipsis == b.Ellipsis &&
           a.Align == b.Align;
}

std::wstring TextStyle::ToString() const {
    return L"TextStyle { Family = " + Family + L", Size = " + FormatSingle(Size) + L", Weight = " +
           std::to_wstring(Weight) + L", Color = " + std::to_wstring(Color) + L", Wrap = " + BooleanText(Wrap) +
           L", LineHeight = " + FormatSingle(LineHeight) + L", Ellipsis = " + BooleanText(Ellipsis) + L", Align = " +
           Ui::ToString(Align) + L" }";
}

std::size_t TextStyleHash::operator()(const TextStyle& s) const noexcept {
    std::size_t seed = std::hash<std::wstring>{}(s.Family);
    Combine(seed, Detail::HashSingle(s.Size));
    Combine(seed, s.Weight);
    Combine(seed, s.Color);
    Combine(seed, s.Wrap);
    Combine(seed, Detail::HashSingle(s.LineHeight));
    Combine(seed, s.Ellipsis);
    Combine(seed, static_cast<std::size_t>(s.Align));
    return seed;
}

}  // namespace Ravenquill::Ui
