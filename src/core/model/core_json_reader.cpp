// Reading the persisted types straight from the parser's events into the object, without a
// document tree: only the values of known members are kept, so a hostile text costs about its own
// size in memory however it is shaped (a tree of millions of small values would cost many times
// that). The rules are the mapping's: keys ignoring case, a later duplicate wins, unknown keys
// skipped with their values, texts string or null, flags true or false only, lists array or null,
// null list elements skipped, and any value of the wrong kind makes the whole text invalid.
// The strict check of a publisher's manifest reads through the same handler, which then notes each
// fault where the installer would give up or skip, and reads on past a value of the wrong kind.
#define RAPIDJSON_HAS_STDSTRING 1
#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include <algorithm>
#include <array>
#include <map>
#include <vector>

#include "core/common/text.h"
#include "core/model/core_json.h"
#include "core/model/json_check_text.h"

namespace Ravenquill::Core::CoreJson {
namespace {

// Iterative parsing keeps the parser off the call stack; numbers arrive as raw text, so any valid
// JSON number can be skipped however large it is.
constexpr unsigned ParseFlags = rapidjson::kParseIterativeFlag | rapidjson::kParseCommentsFlag |
                                rapidjson::kParseTrailingCommasFlag | rapidjson::kParseNumbersAsStringsFlag |
                                rapidjson::kParseValidateEncodingFlag;

enum class Kind {
    NeededText,    // null keeps the constructor's value
    EmptyText,     // null makes it absent, which a plain string holds as empty
    OptionalText,  // null makes it absent
    Flag,
    TextList,
    Date,
    Components,
};

struct Member {
    std::wstring_view Name;
    Kind Type;
    void* Target;
};

std::vector<Member> ComponentMembers(ComponentDefinition& c) {
    return {
        {L"id", Kind::NeededText, &c.Id},
        {L"name", Kind::NeededText, &c.Name},
        {L"description", Kind::OptionalText, &c.Description},
        {L"pathPrefix", Kind::OptionalText, &c.PathPrefix},
        {L"required", Kind::Flag, &c.Required},
        {L"selectedByDefault", Kind::Flag, &c.SelectedByDefault},
    };
}

std::vector<Member> ManifestMembers(InstallManifest& m) {
    return {
        {L"productName", Kind::NeededText, &m.ProductName},
        {L"version", Kind::EmptyText, &m.Version},
        {L"publisher", Kind::NeededText, &m.Publisher},
        {L"productId", Kind::NeededText, &m.ProductId},
        {L"tagline", Kind::OptionalText, &m.Tagline},
        {L"website", Kind::OptionalText, &m.Website},
        {L"supportUrl", Kind::OptionalText, &m.SupportUrl},
        {L"defaultInstallDir", Kind::NeededText, &m.DefaultInstallDir},
        {L"perUserInstallDir", Kind::NeededText, &m.PerUserInstallDir},
        {L"mainExecutable", Kind::OptionalText, &m.MainExecutable},
        {L"iconPath", Kind::OptionalText, &m.IconPath},
        {L"requireLicenseAccept", Kind::Flag, &m.RequireLicenseAccept},
        {L"licenseText", Kind::OptionalText, &m.LicenseText},
        {L"licenseFile", Kind::OptionalText, &m.LicenseFile},
        {L"accent", Kind::OptionalText, &m.Accent},
        {L"accentStart", Kind::OptionalText, &m.AccentStart},
        {L"theme", Kind::NeededText, &m.Theme},
        {L"allowChangeDirectory", Kind::Flag, &m.AllowChangeDirectory},
        {L"preferPerMachine", Kind::Flag, &m.PreferPerMachine},
        {L"offerDesktopShortcut", Kind::Flag, &m.OfferDesktopShortcut},
        {L"offerStartMenuShortcut", Kind::Flag, &m.OfferStartMenuShortcut},
        {L"offerAddToPath", Kind::Flag, &m.OfferAddToPath},
        {L"offerLaunchAfterInstall", Kind::Flag, &m.OfferLaunchAfterInstall},
        {L"desktopShortcutByDefault", Kind::Flag, &m.DesktopShortcutByDefault},
        {L"startMenuShortcutByDefault", Kind::Flag, &m.StartMenuShortcutByDefault},
        {L"addToPathByDefault", Kind::Flag, &m.AddToPathByDefault},
        {L"startMenuFolder", Kind::OptionalText, &m.StartMenuFolder},
        {L"components", Kind::Components, &m.Components},
    };
}

std::vector<Member> RecordMembers(InstallRecord& r) {
    return {
        {L"productName", Kind::NeededText, &r.ProductName},
        {L"productId", Kind::NeededText, &r.ProductId},
        {L"version", Kind::NeededText, &r.Version},
        {L"publisher", Kind::NeededText, &r.Publisher},
        {L"installDir", Kind::NeededText, &r.InstallDir},
        {L"perMachine", Kind::Flag, &r.PerMachine},
        {L"installedAt", Kind::Date, &r.InstalledAt},
        {L"files", Kind::TextList, &r.Files},
        {L"directories", Kind::TextList, &r.Directories},
        {L"parentDirectories", Kind::TextList, &r.ParentDirectories},
        {L"shortcuts", Kind::TextList, &r.Shortcuts},
        {L"startMenuDirectory", Kind::OptionalText, &r.StartMenuDirectory},
        {L"components", Kind::TextList, &r.Components},
        {L"offeredComponents", Kind::TextList, &r.OfferedComponents},
        {L"pathEntryAdded", Kind::Flag, &r.PathEntryAdded},
        {L"mainExecutable", Kind::OptionalText, &r.MainExecutable},
    };
}

// What the strict check gathers while the handler reads; the installer's own reading has none.
struct CheckState {
    std::string_view Utf8;
    const rapidjson::StringStream* Stream = nullptr;
    ManifestCheck* Result = nullptr;
    std::map<std::wstring_view, bool> RootGivenNull;  // by member name: the last value given was null
    bool Refused = false;                             // a value the installer's reading gives up on
    bool Stopped = false;                             // the handler itself ended the reading

    std::size_t Offset() const { return Stream->Tell(); }
    TextPlace PlaceOf(char opener) const { return Check::PlaceAt(Utf8, Check::TokenStart(Utf8, Offset(), opener)); }
    void Error(std::size_t offset, std::wstring message) {
        Result->Errors.push_back({Check::PlaceAt(Utf8, offset), std::move(message)});
    }
};

std::wstring Quoted(std::wstring_view text) { return L"\"" + std::wstring(text) + L"\""; }

std::wstring Expected(Kind kind) {
    switch (kind) {
        case Kind::NeededText:
        case Kind::EmptyText:
        case Kind::OptionalText:
            return L"a string";
        case Kind::Flag:
            return L"true or false";
        case Kind::Components:
            return L"an array of components";
        case Kind::TextList:
            return L"an array of strings";
        case Kind::Date:
            return L"a date";
    }
    return L"another value";
}

// Fills the root object's members from the parser's events; answering false stops the parse.
class MappingHandler {
public:
    explicit MappingHandler(std::vector<Member> rootMembers, CheckState* check = nullptr)
        : rootMembers_(std::move(rootMembers)), check_(check) {}

    bool RootWasNull() const { return rootNull_; }

    bool Null() {
        if (frames_.empty()) return rootNull_ = true;
        switch (Position()) {
            case Where::Skipped:
                return true;
            case Where::TextListItem:
                return true;  // null elements are skipped
            case Where::ComponentItem:
                ++frames_.back().Items;
                return true;
            case Where::MemberValue:
                break;
            default:
                return false;
        }
        NoteRootNull();
        switch (pending_->Type) {
            case Kind::NeededText:
                return true;
            case Kind::EmptyText:
                static_cast<std::wstring*>(pending_->Target)->clear();
                return true;
            case Kind::OptionalText:
                static_cast<std::optional<std::wstring>*>(pending_->Target)->reset();
                return true;
            case Kind::TextList:
                static_cast<std::vector<std::wstring>*>(pending_->Target)->clear();
                return true;
            case Kind::Components:
                static_cast<std::vector<ComponentDefinition>*>(pending_->Target)->clear();
                return true;
            default:
                return Refuse(L"null");
        }
    }

    bool Bool(bool value) {
        const Where at = Position();
        if (at == Where::Skipped) return true;
        if (at != Where::MemberValue || pending_->Type != Kind::Flag) return Refuse(at, value ? L"true" : L"false");
        *static_cast<bool*>(pending_->Target) = value;
        return true;
    }

    // Numbers are never a member's value; under an unknown key they are skipped. The parser hands
    // every number over as its text.
    bool RawNumber(const char* s, rapidjson::SizeType length, bool) {
        const Where at = Position();
        return at == Where::Skipped || Refuse(at, L"a number (" + Text::FromUtf8({s, length}) + L")");
    }
    bool Int(int) { return Position() == Where::Skipped; }
    bool Uint(unsigned) { return Position() == Where::Skipped; }
    bool Int64(std::int64_t) { return Position() == Where::Skipped; }
    bool Uint64(std::uint64_t) { return Position() == Where::Skipped; }
    bool Double(double) { return Position() == Where::Skipped; }

    bool String(const char* s, rapidjson::SizeType length, bool) {
        const Where at = Position();
        if (at == Where::Skipped) return true;
        if (at == Where::TextListItem) {
            frames_.back().List->push_back(Text::FromUtf8({s, length}));
            return true;
        }
        if (at != Where::MemberValue) return Refuse(at, L"the string " + Quoted(Text::FromUtf8({s, length})));
        switch (pending_->Type) {
            case Kind::NeededText:
            case Kind::EmptyText:
                *static_cast<std::wstring*>(pending_->Target) = Text::FromUtf8({s, length});
                return true;
            case Kind::OptionalText:
                *static_cast<std::optional<std::wstring>*>(pending_->Target) = Text::FromUtf8({s, length});
                return true;
            case Kind::Date: {
                const std::optional<OffsetDateTime> parsed = OffsetDateTime::ParseIso(Text::FromUtf8({s, length}));
                if (!parsed) return Refuse(L"the string " + Quoted(Text::FromUtf8({s, length})));
                *static_cast<OffsetDateTime*>(pending_->Target) = *parsed;
                return true;
            }
            default:
                return Refuse(L"the string " + Quoted(Text::FromUtf8({s, length})));
        }
    }

    bool Key(const char* s, rapidjson::SizeType length, bool) {
        Frame& frame = frames_.back();
        if (frame.Type == FrameType::Skip) return true;
        const std::wstring key = Text::FromUtf8({s, length});
        pending_ = nullptr;
        for (const Member& member : frame.Members) {
            if (Text::EqualsIgnoreCase(key, member.Name)) {
                pending_ = &member;
                break;
            }
        }
        expectingValue_ = true;
        if (check_ != nullptr) NoteKey(frame, key);
        return true;
    }

    bool StartObject() {
        if (!Enter('{')) return false;
        if (frames_.empty()) {
            frames_.push_back({FrameType::Object, rootMembers_, nullptr, nullptr});
            return true;
        }
        const Where at = Position();
        switch (at) {
            case Where::Skipped:
                return Push(FrameType::Skip);
            case Where::ComponentItem: {
                Frame& listFrame = frames_.back();
                std::vector<ComponentDefinition>& list = *listFrame.Components;
                list.emplace_back();
                const int item = listFrame.Items++;
                frames_.push_back({FrameType::Object, ComponentMembers(list.back()), nullptr, nullptr, item});
                if (check_ != nullptr)
                    check_->Result->Places.emplace_back(L"components[" + std::to_wstring(list.size() - 1) + L"]",
                                                        check_->PlaceOf('{'));
                return true;
            }
            default:
                return Refuse(at, L"an object") && Push(FrameType::Skip);
        }
    }

    bool StartArray() {
        if (!Enter('[')) return false;
        if (frames_.empty()) return Stop(0, L"the manifest must be a JSON object, not an array");
        const Where at = Position();
        switch (at) {
            case Where::Skipped:
                return Push(FrameType::Skip);
            case Where::MemberValue:
                break;
            default:
                return Refuse(at, L"an array") && Push(FrameType::Skip);
        }
        // A list given in JSON replaces the constructor's list (and an earlier duplicate's).
        if (pending_->Type == Kind::TextList) {
            auto* list = static_cast<std::vector<std::wstring>*>(pending_->Target);
            list->clear();
            frames_.push_back({FrameType::TextList, {}, list, nullptr});
            return true;
        }
        if (pending_->Type == Kind::Components) {
            auto* list = static_cast<std::vector<ComponentDefinition>*>(pending_->Target);
            list->clear();
            frames_.push_back({FrameType::ComponentList, {}, nullptr, list});
            return true;
        }
        return Refuse(at, L"an array") && Push(FrameType::Skip);
    }

    // After a complete reading: the texts that an installation cannot do without, named when the
    // text leaves them to the defaults or blank (a null keeps the default, and empties the version).
    void CheckNeededTexts(const InstallManifest& manifest) {
        const InstallManifest defaults;
        struct Needed {
            std::wstring_view Name;
            const std::wstring& Value;
            const std::wstring& Default;
            bool NullEmpties;
        };
        const std::array<Needed, 4> needed = {{
            {L"productId", manifest.ProductId, defaults.ProductId, false},
            {L"productName", manifest.ProductName, defaults.ProductName, false},
            {L"version", manifest.Version, defaults.Version, true},
            {L"publisher", manifest.Publisher, defaults.Publisher, false},
        }};
        for (const Needed& n : needed) {
            const std::wstring fallback = L": the installer would take " + Quoted(n.Default);
            const auto given = check_->RootGivenNull.find(n.Name);
            if (given == check_->RootGivenNull.end())
                check_->Result->Errors.push_back({{}, Quoted(n.Name) + L" is missing" + fallback});
            else if (given->second)
                check_->Result->Errors.push_back(
                    {PlaceOfKey(n.Name),
                     Quoted(n.Name) + L" is null" + (n.NullEmpties ? L": the installer would show none" : fallback)});
            else if (Text::IsNullOrWhiteSpace(n.Value))
                check_->Result->Errors.push_back({PlaceOfKey(n.Name), Quoted(n.Name) + L" is empty"});
        }
    }

    bool EndObject(rapidjson::SizeType) { return Leave(); }
    bool EndArray(rapidjson::SizeType) { return Leave(); }

private:
    enum class FrameType { Object, TextList, ComponentList, Skip };
    enum class Where { Skipped, MemberValue, TextListItem, ComponentItem, Invalid };

    struct Frame {
        FrameType Type;
        std::vector<Member> Members;  // of an object
        std::vector<std::wstring>* List;
        std::vector<ComponentDefinition>* Components;
        int Item = -1;  // a component's place in the JSON array
        int Items = 0;  // of a list: the elements met so far
    };

    // The installer's reading gives up on a value of the wrong kind; the check notes it and reads
    // on, the value skipped. got names the value ("the string \"yes\"", "a number (2.5)").
    bool Refuse(const std::wstring& got) { return Refuse(Where::MemberValue, got); }
    bool Refuse(Where at, const std::wstring& got) {
        if (check_ == nullptr) return false;
        check_->Refused = true;
        switch (at) {
            case Where::MemberValue:
                check_->Error(pendingKeyOffset_,
                              pendingLabel_ + L" must be " + Expected(pending_->Type) + L", not " + got);
                return true;
            case Where::ComponentItem: {
                const int item = frames_.back().Items++;
                check_->Error(check_->Offset(),
                              L"components[" + std::to_wstring(item) + L"] must be an object, not " + got);
                return true;
            }
            default:
                return Stop(0, L"the manifest must be a JSON object, not " + got);
        }
    }

    // Ends the reading with a fault the check names itself rather than the parser's words.
    bool Stop(std::size_t offset, std::wstring message) {
        if (check_ != nullptr) {
            check_->Error(offset, std::move(message));
            check_->Stopped = true;
        }
        return false;
    }

    // Where the key stands, how messages name it, and an unknown key with the nearest known one.
    void NoteKey(const Frame& frame, const std::wstring& key) {
        pendingKeyOffset_ = Check::TokenStart(check_->Utf8, check_->Offset(), '"');
        const std::wstring in = frame.Item >= 0 ? L" in components[" + std::to_wstring(frame.Item) + L"]" : L"";
        pendingLabel_ = Quoted(key) + in;
        if (pending_ == nullptr) {
            std::vector<std::wstring_view> names;
            for (const Member& member : frame.Members) names.push_back(member.Name);
            check_->Error(pendingKeyOffset_, L"unknown key " + pendingLabel_ + L"; the nearest known key is " +
                                                 Quoted(Check::Nearest(key, names)));
            return;
        }
        if (frames_.size() == 1) check_->RootGivenNull[pending_->Name] = false;
        std::wstring name(pending_->Name);
        if (frame.Item >= 0) name = L"components[" + std::to_wstring(ComponentIndex()) + L"]." + name;
        check_->Result->Places.emplace_back(std::move(name), Check::PlaceAt(check_->Utf8, pendingKeyOffset_));
    }

    // The index in the manifest's component list of the component being read.
    std::size_t ComponentIndex() const {
        const Frame& list = frames_[frames_.size() - 2];
        return list.Components->size() - 1;
    }

    void NoteRootNull() {
        if (check_ != nullptr && frames_.size() == 1) check_->RootGivenNull[pending_->Name] = true;
    }

    TextPlace PlaceOfKey(std::wstring_view name) const { return check_->Result->PlaceOf(name).value_or(TextPlace{}); }

    // Where the value that arrives now goes; taking a member's value consumes its key. A root
    // that is no object is invalid.
    Where Position() {
        if (frames_.empty()) return Where::Invalid;
        const Frame& frame = frames_.back();
        switch (frame.Type) {
            case FrameType::Skip:
                return Where::Skipped;
            case FrameType::TextList:
                return Where::TextListItem;
            case FrameType::ComponentList:
                return Where::ComponentItem;
            case FrameType::Object:
                if (!expectingValue_) return Where::Invalid;
                expectingValue_ = false;
                return pending_ != nullptr ? Where::MemberValue : Where::Skipped;
        }
        return Where::Invalid;
    }

    bool Push(FrameType type) {
        frames_.push_back({type, {}, nullptr, nullptr});
        return true;
    }

    // The nesting limit counts every object and array, skipped ones included.
    bool Enter(char opener) {
        if (++depth_ <= MaxDepth) return true;
        return Stop(check_ != nullptr ? Check::TokenStart(check_->Utf8, check_->Offset(), opener) : 0,
                    L"nesting deeper than " + std::to_wstring(MaxDepth) + L" levels");
    }
    bool Leave() {
        --depth_;
        frames_.pop_back();
        pending_ = nullptr;
        expectingValue_ = false;
        return true;
    }

    std::vector<Member> rootMembers_;
    CheckState* check_;
    std::vector<Frame> frames_;
    const Member* pending_ = nullptr;
    std::wstring pendingLabel_;
    std::size_t pendingKeyOffset_ = 0;
    bool expectingValue_ = false;
    bool rootNull_ = false;
    int depth_ = 0;
};

// Fills the members' object from the text; false for invalid text (and for the literal null).
bool Fill(std::wstring_view json, std::vector<Member> members) {
    if (json.size() > MaxTextBytes) return false;
    const std::string utf8 = Text::ToUtf8(json);
    if (utf8.size() > MaxTextBytes) return false;
    MappingHandler handler(std::move(members));
    rapidjson::Reader reader;
    rapidjson::StringStream stream(utf8.c_str());
    // The text may hold NUL characters; anything after one is not JSON and fails the parse.
    const bool parsed = !reader.Parse<ParseFlags>(stream, handler).IsError() && stream.Tell() == utf8.size();
    return parsed && !handler.RootWasNull();
}

}  // namespace

std::optional<InstallManifest> ReadManifest(std::wstring_view json) {
    InstallManifest manifest;
    if (!Fill(json, ManifestMembers(manifest))) return std::nullopt;
    return manifest;
}

std::optional<InstallRecord> ReadRecord(std::wstring_view json) {
    InstallRecord record;
    if (!Fill(json, RecordMembers(record))) return std::nullopt;
    return record;
}

std::optional<TextPlace> ManifestCheck::PlaceOf(std::wstring_view name) const {
    // A key given twice counts with its later value, so the later place is the one that matters.
    const auto found = std::find_if(Places.rbegin(), Places.rend(), [&](const auto& p) { return p.first == name; });
    if (found == Places.rend()) return std::nullopt;
    return found->second;
}

ManifestCheck CheckManifest(std::wstring_view json) {
    ManifestCheck check;
    if (Text::IsNullOrWhiteSpace(json)) {
        check.Errors.push_back({{}, L"the manifest is empty: the installer would use the defaults"});
        return check;
    }
    const std::string utf8 = Text::ToUtf8(json);
    if (utf8.size() > MaxTextBytes) {
        check.Errors.push_back({{}, L"the manifest is larger than the installer reads (64 MiB)"});
        return check;
    }
    InstallManifest manifest;
    rapidjson::StringStream stream(utf8.c_str());
    CheckState state{utf8, &stream, &check};
    MappingHandler handler(ManifestMembers(manifest), &state);
    rapidjson::Reader reader;
    const rapidjson::ParseResult parsed = reader.Parse<ParseFlags>(stream, handler);
    if (parsed.IsError()) {
        if (!state.Stopped)
            state.Error(parsed.Offset(),
                        L"syntax error: " + Text::FromUtf8(rapidjson::GetParseError_En(parsed.Code())));
        return check;
    }
    if (stream.Tell() != utf8.size()) {
        state.Error(stream.Tell(), L"a NUL character, which no JSON text holds");
        return check;
    }
    if (handler.RootWasNull()) {
        check.Errors.push_back({{}, L"the manifest is null: the installer would use the defaults"});
        return check;
    }
    if (!state.Refused) check.Manifest = manifest;
    handler.CheckNeededTexts(manifest);
    return check;
}

}  // namespace Ravenquill::Core::CoreJson
