#include "core/model/core_json.h"

#define RAPIDJSON_HAS_STDSTRING 1
#include <rapidjson/document.h>
#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include "core/common/text.h"

namespace Ravenquill::Core::CoreJson {
namespace {

using Value = rapidjson::Value;

// Iterative parsing keeps the parser off the call stack; the depth limit keeps the mapping (and
// anything else walking the tree) bounded too.
constexpr unsigned ParseFlags = rapidjson::kParseIterativeFlag | rapidjson::kParseCommentsFlag |
                                rapidjson::kParseTrailingCommasFlag | rapidjson::kParseNumbersAsStringsFlag |
                                rapidjson::kParseValidateEncodingFlag;

// Forwards the parser's events to the document, refusing nesting past MaxDepth. Numbers arrive as
// raw text (so any valid JSON number can be skipped, however large) and are kept only as "a number".
class DepthLimitedHandler {
public:
    explicit DepthLimitedHandler(rapidjson::Document& document) : document_(document) {}

    bool Null() { return document_.Null(); }
    bool Bool(bool b) { return document_.Bool(b); }
    bool Int(int) { return document_.Int(0); }
    bool Uint(unsigned) { return document_.Int(0); }
    bool Int64(std::int64_t) { return document_.Int(0); }
    bool Uint64(std::uint64_t) { return document_.Int(0); }
    bool Double(double) { return document_.Int(0); }
    bool RawNumber(const char*, rapidjson::SizeType, bool) { return document_.Int(0); }
    bool String(const char* s, rapidjson::SizeType length, bool copy) { return document_.String(s, length, copy); }
    bool Key(const char* s, rapidjson::SizeType length, bool copy) { return document_.Key(s, length, copy); }
    bool StartObject() { return Enter() && document_.StartObject(); }
    bool EndObject(rapidjson::SizeType count) {
        --depth_;
        return document_.EndObject(count);
    }
    bool StartArray() { return Enter() && document_.StartArray(); }
    bool EndArray(rapidjson::SizeType count) {
        --depth_;
        return document_.EndArray(count);
    }

private:
    bool Enter() { return ++depth_ <= MaxDepth; }

    rapidjson::Document& document_;
    int depth_ = 0;
};

// Parses into the document; false for invalid JSON, too deep a nesting or too large a text.
bool ParseDocument(std::wstring_view json, rapidjson::Document& document) {
    if (json.size() > MaxTextBytes) return false;
    const std::string utf8 = Text::ToUtf8(json);
    if (utf8.size() > MaxTextBytes) return false;
    bool parsed = false;
    auto generator = [&](rapidjson::Document& target) {
        DepthLimitedHandler handler(target);
        rapidjson::Reader reader;
        rapidjson::StringStream stream(utf8.c_str());
        // The text may hold NUL characters; anything after one is not JSON and fails the parse.
        parsed = !reader.Parse<ParseFlags>(stream, handler).IsError() && stream.Tell() == utf8.size();
        return parsed;
    };
    document.Populate(generator);
    return parsed;
}

std::wstring ToText(const Value& value) { return Text::FromUtf8({value.GetString(), value.GetStringLength()}); }

// The value did not fit its member: the whole text counts as invalid.
struct MappingError {};

void Check(bool ok) {
    if (!ok) throw MappingError{};
}

void ReadText(const Value& value, std::optional<std::wstring>& member) {
    if (value.IsNull()) {
        member.reset();
        return;
    }
    Check(value.IsString());
    member = ToText(value);
}

// A text the system always needs: null keeps what the constructor gave.
void ReadText(const Value& value, std::wstring& member) {
    if (value.IsNull()) return;
    Check(value.IsString());
    member = ToText(value);
}

void ReadFlag(const Value& value, bool& member) {
    Check(value.IsBool());
    member = value.GetBool();
}

// A null list reads as an empty one, a null element is skipped.
void ReadTextList(const Value& value, std::vector<std::wstring>& member) {
    member.clear();
    if (value.IsNull()) return;
    Check(value.IsArray());
    for (const Value& item : value.GetArray()) {
        if (item.IsNull()) continue;
        Check(item.IsString());
        member.push_back(ToText(item));
    }
}

void ReadDate(const Value& value, OffsetDateTime& member) {
    Check(value.IsString());
    const std::optional<OffsetDateTime> parsed = OffsetDateTime::ParseIso(ToText(value));
    Check(parsed.has_value());
    member = *parsed;
}

// Calls read(key, value) for each member; keys are compared ignoring case by the callers, and a
// later duplicate simply overwrites the earlier one.
template <class Read>
void ForEachMember(const Value& object, Read read) {
    Check(object.IsObject());
    for (const auto& member : object.GetObject()) read(ToText(member.name), member.value);
}

bool Is(const std::wstring& key, std::wstring_view name) { return Text::EqualsIgnoreCase(key, name); }

ComponentDefinition ReadComponent(const Value& object) {
    ComponentDefinition component;
    ForEachMember(object, [&](const std::wstring& key, const Value& value) {
        if (Is(key, L"id"))
            ReadText(value, component.Id);
        else if (Is(key, L"name"))
            ReadText(value, component.Name);
        else if (Is(key, L"description"))
            ReadText(value, component.Description);
        else if (Is(key, L"pathPrefix"))
            ReadText(value, component.PathPrefix);
        else if (Is(key, L"required"))
            ReadFlag(value, component.Required);
        else if (Is(key, L"selectedByDefault"))
            ReadFlag(value, component.SelectedByDefault);
    });
    return component;
}

void ReadComponents(const Value& value, std::vector<ComponentDefinition>& member) {
    member.clear();
    if (value.IsNull()) return;
    Check(value.IsArray());
    for (const Value& item : value.GetArray()) {
        if (!item.IsNull()) member.push_back(ReadComponent(item));
    }
}

InstallManifest MapManifest(const Value& object) {
    InstallManifest m;
    ForEachMember(object, [&](const std::wstring& key, const Value& value) {
        if (Is(key, L"productName"))
            ReadText(value, m.ProductName);
        else if (Is(key, L"version"))
            ReadText(value, m.Version);
        else if (Is(key, L"publisher"))
            ReadText(value, m.Publisher);
        else if (Is(key, L"productId"))
            ReadText(value, m.ProductId);
        else if (Is(key, L"tagline"))
            ReadText(value, m.Tagline);
        else if (Is(key, L"website"))
            ReadText(value, m.Website);
        else if (Is(key, L"supportUrl"))
            ReadText(value, m.SupportUrl);
        else if (Is(key, L"defaultInstallDir"))
            ReadText(value, m.DefaultInstallDir);
        else if (Is(key, L"perUserInstallDir"))
            ReadText(value, m.PerUserInstallDir);
        else if (Is(key, L"mainExecutable"))
            ReadText(value, m.MainExecutable);
        else if (Is(key, L"iconPath"))
            ReadText(value, m.IconPath);
        else if (Is(key, L"requireLicenseAccept"))
            ReadFlag(value, m.RequireLicenseAccept);
        else if (Is(key, L"licenseText"))
            ReadText(value, m.LicenseText);
        else if (Is(key, L"licenseFile"))
            ReadText(value, m.LicenseFile);
        else if (Is(key, L"accent"))
            ReadText(value, m.Accent);
        else if (Is(key, L"accentStart"))
            ReadText(value, m.AccentStart);
        else if (Is(key, L"theme"))
            ReadText(value, m.Theme);
        else if (Is(key, L"allowChangeDirectory"))
            ReadFlag(value, m.AllowChangeDirectory);
        else if (Is(key, L"preferPerMachine"))
            ReadFlag(value, m.PreferPerMachine);
        else if (Is(key, L"offerDesktopShortcut"))
            ReadFlag(value, m.OfferDesktopShortcut);
        else if (Is(key, L"offerStartMenuShortcut"))
            ReadFlag(value, m.OfferStartMenuShortcut);
        else if (Is(key, L"offerAddToPath"))
            ReadFlag(value, m.OfferAddToPath);
        else if (Is(key, L"offerLaunchAfterInstall"))
            ReadFlag(value, m.OfferLaunchAfterInstall);
        else if (Is(key, L"desktopShortcutByDefault"))
            ReadFlag(value, m.DesktopShortcutByDefault);
        else if (Is(key, L"startMenuShortcutByDefault"))
            ReadFlag(value, m.StartMenuShortcutByDefault);
        else if (Is(key, L"addToPathByDefault"))
            ReadFlag(value, m.AddToPathByDefault);
        else if (Is(key, L"startMenuFolder"))
            ReadText(value, m.StartMenuFolder);
        else if (Is(key, L"components"))
            ReadComponents(value, m.Components);
    });
    return m;
}

InstallRecord MapRecord(const Value& object) {
    InstallRecord r;
    ForEachMember(object, [&](const std::wstring& key, const Value& value) {
        if (Is(key, L"productName"))
            ReadText(value, r.ProductName);
        else if (Is(key, L"productId"))
            ReadText(value, r.ProductId);
        else if (Is(key, L"version"))
            ReadText(value, r.Version);
        else if (Is(key, L"publisher"))
            ReadText(value, r.Publisher);
        else if (Is(key, L"installDir"))
            ReadText(value, r.InstallDir);
        else if (Is(key, L"perMachine"))
            ReadFlag(value, r.PerMachine);
        else if (Is(key, L"installedAt"))
            ReadDate(value, r.InstalledAt);
        else if (Is(key, L"files"))
            ReadTextList(value, r.Files);
        else if (Is(key, L"directories"))
            ReadTextList(value, r.Directories);
        else if (Is(key, L"shortcuts"))
            ReadTextList(value, r.Shortcuts);
        else if (Is(key, L"startMenuDirectory"))
            ReadText(value, r.StartMenuDirectory);
        else if (Is(key, L"components"))
            ReadTextList(value, r.Components);
        else if (Is(key, L"pathEntryAdded"))
            ReadFlag(value, r.PathEntryAdded);
        else if (Is(key, L"mainExecutable"))
            ReadText(value, r.MainExecutable);
    });
    return r;
}

template <class T, class Map>
std::optional<T> Read(std::wstring_view json, Map map) {
    rapidjson::Document document;
    if (!ParseDocument(json, document) || document.IsNull()) return std::nullopt;
    try {
        return map(document);
    } catch (const MappingError&) {
        return std::nullopt;
    }
}

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

std::optional<InstallManifest> ReadManifest(std::wstring_view json) {
    return Read<InstallManifest>(json, [](const Value& v) { return MapManifest(v); });
}

std::optional<InstallRecord> ReadRecord(std::wstring_view json) {
    return Read<InstallRecord>(json, [](const Value& v) { return MapRecord(v); });
}

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
    w.List(L"shortcuts", record.Shortcuts);
    w.OptionalText(L"startMenuDirectory", record.StartMenuDirectory);
    w.List(L"components", record.Components);
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
