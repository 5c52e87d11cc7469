#include "text.h"

#include <algorithm>
#include <cstdint>

#include "case_table.h"

namespace Ravenquill::Text {
namespace {

constexpr char32_t Replacement = 0xFFFD;

void AppendUtf16(std::wstring& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<wchar_t>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
    }
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

wchar_t Map(wchar_t c, const Detail::CasePair* table, std::size_t count) noexcept {
    const auto unit = static_cast<std::uint32_t>(c);
    if (unit > 0xFFFF) return c;
    const auto* end = table + count;
    const auto* it =
        std::lower_bound(table, end, unit, [](const Detail::CasePair& p, std::uint32_t u) { return p.From < u; });
    return (it != end && it->From == unit) ? static_cast<wchar_t>(it->To) : c;
}

}  // namespace

std::wstring FromUtf8(std::string_view utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t n = utf8.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            out.push_back(static_cast<wchar_t>(b));
            ++i;
            continue;
        }
        int need = 0;
        char32_t cp = 0;
        unsigned char lo = 0x80, hi = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            need = 1;
            cp = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            need = 2;
            cp = b & 0x0F;
            if (b == 0xE0) lo = 0xA0;
            if (b == 0xED) hi = 0x9F;  // no encoded surrogates
        } else if (b >= 0xF0 && b <= 0xF4) {
            need = 3;
            cp = b & 0x07;
            if (b == 0xF0) lo = 0x90;
            if (b == 0xF4) hi = 0x8F;
        } else {
            out.push_back(static_cast<wchar_t>(Replacement));
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        bool ok = true;
        for (int k = 0; k < need; ++k, ++j) {
            if (j >= n || p[j] < lo || p[j] > hi) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (p[j] & 0x3F);
            lo = 0x80;
            hi = 0xBF;
        }
        if (!ok) {
            // The maximal subpart consumed so far becomes one replacement character.
            out.push_back(static_cast<wchar_t>(Replacement));
            i = j;
            continue;
        }
        AppendUtf16(out, cp);
        i = j;
    }
    return out;
}

std::string ToUtf8(std::wstring_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        const auto u = static_cast<std::uint32_t>(utf16[i]) & 0xFFFF;
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < utf16.size()) {
            const auto v = static_cast<std::uint32_t>(utf16[i + 1]) & 0xFFFF;
            if (v >= 0xDC00 && v <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (v - 0xDC00));
                ++i;
                continue;
            }
        }
        AppendUtf8(out, (u >= 0xD800 && u <= 0xDFFF) ? Replacement : u);
    }
    return out;
}

wchar_t ToUpper(wchar_t c) noexcept {
    if (c < 0x80) return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c;
    return Map(c, Detail::UpperPairs, Detail::UpperPairsCount);
}

wchar_t ToLower(wchar_t c) noexcept {
    if (c < 0x80) return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c;
    return Map(c, Detail::LowerPairs, Detail::LowerPairsCount);
}

std::wstring ToUpper(std::wstring_view s) {
    std::wstring out(s);
    for (auto& c : out) c = ToUpper(c);
    return out;
}

std::wstring ToLower(std::wstring_view s) {
    std::wstring out(s);
    for (auto& c : out) c = ToLower(c);
    return out;
}

int CompareIgnoreCase(std::wstring_view a, std::wstring_view b) noexcept {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<std::uint32_t>(ToUpper(a[i]));
        const auto y = static_cast<std::uint32_t>(ToUpper(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool EqualsIgnoreCase(std::wstring_view a, std::wstring_view b) noexcept {
    return a.size() == b.size() && CompareIgnoreCase(a, b) == 0;
}

bool StartsWithIgnoreCase(std::wstring_view s, std::wstring_view prefix) noexcept {
    return s.size() >= prefix.size() && EqualsIgnoreCase(s.substr(0, prefix.size()), prefix);
}

bool EndsWithIgnoreCase(std::wstring_view s, std::wstring_view suffix) noexcept {
    return s.size() >= suffix.size() && EqualsIgnoreCase(s.substr(s.size() - suffix.size()), suffix);
}

bool IsWhiteSpace(wchar_t c) noexcept {
    switch (static_cast<std::uint32_t>(c)) {
        case 0x0009:
        case 0x000A:
        case 0x000B:
        case 0x000C:
        case 0x000D:
        case 0x0020:
        case 0x0085:
        case 0x00A0:
        case 0x1680:
        case 0x2028:
        case 0x2029:
        case 0x202F:
        case 0x205F:
        case 0x3000:
            return true;
        default:
            return static_cast<std::uint32_t>(c) >= 0x2000 && static_cast<std::uint32_t>(c) <= 0x200A;
    }
}

std::wstring_view TrimStart(std::wstring_view s) noexcept {
    std::size_t i = 0;
    while (i < s.size() && IsWhiteSpace(s[i])) ++i;
    return s.substr(i);
}

std::wstring_view TrimEnd(std::wstring_view s) noexcept {
    std::size_t n = s.size();
    while (n > 0 && IsWhiteSpace(s[n - 1])) --n;
    return s.substr(0, n);
}

std::wstring_view Trim(std::wstring_view s) noexcept { return TrimEnd(TrimStart(s)); }

bool IsNullOrWhiteSpace(std::wstring_view s) noexcept { return Trim(s).empty(); }

bool IsWellFormedUtf16(std::wstring_view s) noexcept {
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto unit = static_cast<std::uint32_t>(s[i]);
        if (unit >= 0xDC00 && unit <= 0xDFFF) return false;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (i + 1 == s.size()) return false;
            const auto next = static_cast<std::uint32_t>(s[i + 1]);
            if (next < 0xDC00 || next > 0xDFFF) return false;
            ++i;
        }
    }
    return true;
}

std::wstring EscapeControls(std::wstring_view s) {
    static constexpr wchar_t Hex[] = L"0123456789ABCDEF";
    std::wstring out;
    out.reserve(s.size());
    for (const wchar_t c : s) {
        const auto unit = static_cast<std::uint32_t>(c) & 0xFFFF;
        if (unit >= 0x20 && (unit < 0x7F || unit > 0x9F)) {
            out += c;
            continue;
        }
        out += L"\\u";
        for (int shift = 12; shift >= 0; shift -= 4) out += Hex[(unit >> shift) & 0xF];
    }
    return out;
}

std::vector<std::wstring> Split(std::wstring_view s, wchar_t separator) {
    std::vector<std::wstring> pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = s.find(separator, start);
        if (at == std::wstring_view::npos) {
            pieces.emplace_back(s.substr(start));
            return pieces;
        }
        pieces.emplace_back(s.substr(start, at - start));
        start = at + 1;
    }
}

}  // namespace Ravenquill::Text
