#include "core/model/core_json.h"

#include <cstdint>
#include <initializer_list>

#include "core/common/text.h"

namespace Ravenquill::Core::CoreJson {
namespace {

// Writes the record's layout: two-space indent, CR LF, a blank after each colon.
class RecordWriter {
public:
    void Open() { out_ += L'{'; }
    void Close() { out_ += L"\r\n}"; }
    void Text(std::wstring_view key, std::wstring_view value) { Key(key) += QuoteString(value); }
    // A value that needs no escaping and is written as it is ('+' of a date's offset included).
    void Verbatim(std::wstring_view key, std::wstring_view value) {
        std::wstring& out = Key(key);
        out += L'"';
        out += value;
        out += L'"';
    }
    void OptionalText(std::wstring_view key, const std::optional<std::wstring>& value) {
        if (value) Text(key, *value);
    }
    void Flag(std::wstring_view key, bool value) { Key(key) += value ? L"true" : L"false"; }
    void List(std::wstring_view key, const std::vector<std::wstring>& items) {
        std::wstring& out = Key(key);
        out += L'[';
        if (items.empty()) {
            out += L']';
            return;
        }
        for (std::size_t i = 0; i < items.size(); ++i) {
            out += i == 0 ? L"\r\n    " : L",\r\n    ";
            out += QuoteString(items[i]);
        }
        out += L"\r\n  ]";
    }
    std::wstring Take() { return std::move(out_); }

private:
    std::wstring& Key(std::wstring_view key) {
        out_ += first_ ? L"\r\n  " : L",\r\n  ";
        first_ = false;
        out_ += QuoteString(key);
        out_ += L": ";
        return out_;
    }

    std::wstring out_;
    bool first_ = true;
};

void AppendUnits(std::wstring& out, char32_t codePoint) {
    if (codePoint >= 0x110000 || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        out += L'\uFFFD';
    } else if (codePoint >= 0x10000) {
        codePoint -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (codePoint >> 10));
        out += static_cast<wchar_t>(0xDC00 + (codePoint & 0x3FF));
    } else {
        out += static_cast<wchar_t>(codePoint);
    }
}

}  // namespace

std::wstring QuoteString(std::wstring_view text) {
    static constexpr wchar_t Hex[] = L"0123456789ABCDEF";
    std::wstring out;
    out.reserve(text.size() + 2);
    out += L'"';
    for (const wchar_t c : text) {
        const auto unit = static_cast<std::uint32_t>(c) & 0xFFFF;
        switch (unit) {
            case L'\\':
                out += L"\\\\";
                continue;
            case L'\b':
                out += L"\\b";
                continue;
            case L'\f':
                out += L"\\f";
                continue;
            case L'\n':
                out += L"\\n";
                continue;
            case L'\r':
                out += L"\\r";
                continue;
            case L'\t':
                out += L"\\t";
                continue;
            default:
                break;
        }
        const bool plain = unit >= 0x20 && unit < 0x7F && unit != L'"' && unit != L'&' && unit != L'\'' &&
                           unit != L'+' && unit != L'<' && unit != L'>' && unit != L'`';
        if (plain) {
            out += static_cast<wchar_t>(unit);
        } else {
            out += L"\\u";
            for (int shift = 12; shift >= 0; shift -= 4) out += Hex[(unit >> shift) & 0xF];
        }
    }
    out += L'"';
    return out;
}

std::wstring WriteRecord(const InstallRecord& record) {
    RecordWriter w;
    w.Open();
    w.Text(L"productName", record.ProductName);
    w.Text(L"productId", record.ProductId);
    w.Text(L"version", record.Version);
    w.Text(L"publisher", record.Publisher);
    w.Text(L"installDir", record.InstallDir);
    w.Flag(L"perMachine", record.PerMachine);
    w.Verbatim(L"installedAt", record.InstalledAt.ToIsoString());
    w.List(L"files", record.Files);
    w.List(L"directories", record.Directories);
    // Left out when empty, so a record of an installation that made no folder above its own is
    // exactly what readers without this key expect.
    if (!record.ParentDirectories.empty()) w.List(L"parentDirectories", record.ParentDirectories);
    w.List(L"shortcuts", record.Shortcuts);
    w.OptionalText(L"startMenuDirectory", record.StartMenuDirectory);
    w.List(L"components", record.Components);
    // Left out when empty, as "parentDirectories" is.
    if (!record.OfferedComponents.empty()) w.List(L"offeredComponents", record.OfferedComponents);
    w.Flag(L"pathEntryAdded", record.PathEntryAdded);
    w.OptionalText(L"mainExecutable", record.MainExecutable);
    w.Close();
    return w.Take();
}

std::wstring DecodeText(std::span<const std::byte> bytes) {
    const auto at = [&](std::size_t i) { return std::to_integer<unsigned>(bytes[i]); };
    const auto starts = [&](std::initializer_list<unsigned> mark) {
        if (bytes.size() < mark.size()) return false;
        std::size_t i = 0;
        for (const unsigned b : mark)
            if (at(i++) != b) return false;
        return true;
    };
    std::wstring text;
    if (starts({0xFF, 0xFE, 0x00, 0x00}) || starts({0x00, 0x00, 0xFE, 0xFF})) {
        const bool little = at(0) == 0xFF;
        for (std::size_t i = 4; i < bytes.size(); i += 4) {
            if (i + 4 > bytes.size()) {
                text += L'\uFFFD';
                break;
            }
            const char32_t c = little ? at(i) | at(i + 1) << 8 | at(i + 2) << 16 | at(i + 3) << 24
                                      : at(i + 3) | at(i + 2) << 8 | at(i + 1) << 16 | at(i) << 24;
            AppendUnits(text, c);
        }
        return text;
    }
    if (starts({0xFF, 0xFE}) || starts({0xFE, 0xFF})) {
        const bool little = at(0) == 0xFF;
        for (std::size_t i = 2; i < bytes.size(); i += 2) {
            if (i + 2 > bytes.size()) {
                text += L'\uFFFD';
                break;
            }
            text += static_cast<wchar_t>(little ? at(i) | at(i + 1) << 8 : at(i + 1) | at(i) << 8);
        }
        return text;
    }
    const std::size_t skip = starts({0xEF, 0xBB, 0xBF}) ? 3 : 0;
    return Text::FromUtf8({reinterpret_cast<const char*>(bytes.data()) + skip, bytes.size() - skip});
}

}  // namespace Ravenquill::Core::CoreJson
