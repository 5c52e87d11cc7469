#include "core/model/json_check_text.h"

#include <algorithm>
#include <vector>

#include "core/common/text.h"

namespace Ravenquill::Core::CoreJson::Check {

TextPlace PlaceAt(std::string_view utf8, std::size_t offset) noexcept {
    offset = std::min(offset, utf8.size());
    TextPlace place{1, 1};
    for (std::size_t i = 0; i < offset; ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte == '\n') {
            ++place.Line;
            place.Column = 1;
        } else if ((byte & 0xC0) != 0x80) {  // continuation bytes belong to the character before
            ++place.Column;
        }
    }
    return place;
}

std::size_t TokenStart(std::string_view utf8, std::size_t at, char opener) noexcept {
    if (at < utf8.size() && utf8[at] == opener) return at;
    if (at == 0 || at > utf8.size()) return 0;
    if (opener != '"') return at - 1;
    // at - 1 is the closing quote; the opening one is the nearest quote before it that no
    // backslash escapes (an even run of backslashes escapes only themselves).
    for (std::size_t i = at - 1; i-- > 0;) {
        if (utf8[i] != '"') continue;
        std::size_t slashes = 0;
        while (slashes < i && utf8[i - 1 - slashes] == '\\') ++slashes;
        if (slashes % 2 == 0) return i;
    }
    return 0;
}

namespace {

std::size_t EditDistance(const std::wstring& a, const std::wstring& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

std::wstring_view Nearest(std::wstring_view name, std::span<const std::wstring_view> candidates) {
    const std::wstring folded = Text::ToLower(name);
    std::wstring_view best;
    std::size_t bestDistance = 0;
    for (const std::wstring_view candidate : candidates) {
        const std::size_t distance = EditDistance(folded, Text::ToLower(candidate));
        if (best.empty() || distance < bestDistance) {
            best = candidate;
            bestDistance = distance;
        }
    }
    return best;
}

}  // namespace Ravenquill::Core::CoreJson::Check
