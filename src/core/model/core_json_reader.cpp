// Reading the persisted types straight from the parser's events into the object, without a
// document tree: only the values of known members are kept, so a hostile text costs about its own
// size in memory however it is shaped (a tree of millions of small values would cost many times
// that). The rules are the mapping's: keys ignoring case, a later duplicate wins, unknown keys
// skipped with their values, texts string or null, flags true or false only, lists array or null,
// null list elements skipped, and any value of the wrong kind makes the whole text invalid.
#define RAPIDJSON_HAS_STDSTRING 1
#include <rapidjson/reader.h>

#include <vector>

#include "core/common/text.h"
#include "core/model/core_json.h"

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
        {L"pathEntryAdded", Kind::Flag, &r.PathEntryAdded},
        {L"mainExecutable", Kind::OptionalText, &r.MainExecutable},
    };
}

// Fills the root object's members from the parser's events; answering false stops the parse.
class MappingHandler {
public:
    explicit MappingHandler(std::vector<Member> rootMembers) : rootMembers_(std::move(rootMembers)) {}

    bool RootWasNull() const { return rootNull_; }

    bool Null() {
        if (frames_.empty()) return rootNull_ = true;
        switch (Position()) {
            case Where::Skipped:
                return true;
            case Where::TextListItem:
            case Where::ComponentItem:
                return true;  // null elements are skipped
            case Where::MemberValue:
                break;
            default:
                return false;
        }
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
                return false;
        }
    }

    bool Bool(bool value) {
        const Where at = Position();
        if (at == Where::Skipped) return true;
        if (at != Where::MemberValue || pending_->Type != Kind::Flag) return false;
        *static_cast<bool*>(pending_->Target) = value;
        return true;
    }

    // Numbers are never a member's value; under an unknown key they are skipped.
    bool RawNumber(const char*, rapidjson::SizeType, bool) { return Position() == Where::Skipped; }
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
        if (at != Where::MemberValue) return false;
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
                if (!parsed) return false;
                *static_cast<OffsetDateTime*>(pending_->Target) = *parsed;
                return true;
            }
            default:
                return false;
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
        return true;
    }

    bool StartObject() {
        if (!Enter()) return false;
        if (frames_.empty()) {
            frames_.push_back({FrameType::Object, rootMembers_, nullptr, nullptr});
            return true;
        }
        switch (Position()) {
            case Where::Skipped:
                return Push(FrameType::Skip);
            case Where::ComponentItem: {
                std::vector<ComponentDefinition>& list = *frames_.back().Components;
                list.emplace_back();
                frames_.push_back({FrameType::Object, ComponentMembers(list.back()), nullptr, nullptr});
                return true;
            }
            default:
                return false;
        }
    }

    bool StartArray() {
        if (!Enter() || frames_.empty()) return false;
        switch (Position()) {
            case Where::Skipped:
                return Push(FrameType::Skip);
            case Where::MemberValue:
                break;
            default:
                return false;
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
        return false;
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
    };

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
    bool Enter() { return ++depth_ <= MaxDepth; }
    bool Leave() {
        --depth_;
        frames_.pop_back();
        pending_ = nullptr;
        expectingValue_ = false;
        return true;
    }

    std::vector<Member> rootMembers_;
    std::vector<Frame> frames_;
    const Member* pending_ = nullptr;
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

}  // namespace Ravenquill::Core::CoreJson
