#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/common/text.h"
#include "core/model/core_json.h"

namespace Ravenquill::Core::CoreJson {
namespace {

// The four texts every installer needs, then whatever a case adds; line 1 is the brace.
std::string Manifest(const std::string& more = "") {
    return "{\n"
           "  \"productId\": \"Tolvane\",\n"
           "  \"productName\": \"Tolvane\",\n"
           "  \"version\": \"0.3.4\",\n"
           "  \"publisher\": \"DA Dedu\"" +
           more + "\n}\n";
}

std::vector<std::wstring> Found(const std::string& text) {
    std::vector<std::wstring> found;
    for (const ManifestProblem& p : CheckManifest(Text::FromUtf8(text)).Errors)
        found.push_back(std::to_wstring(p.Place.Line) + L":" + std::to_wstring(p.Place.Column) + L" " + p.Message);
    return found;
}

TEST(ManifestCheck, NamesEachMistakeThatTheInstallerWouldPassOverInSilence) {
    struct Case {
        const char* Name;
        std::string Text;
        std::vector<std::wstring> Errors;
    };
    const std::vector<Case> cases = {
        {"missing comma",
         "{\n  \"productId\": \"A\"\n  \"productName\": \"B\"\n}",
         {L"3:3 syntax error: Missing a comma or '}' after an object member."}},
        {"flag as a string",
         Manifest(",\n  \"offerAddToPath\": \"yes\""),
         {L"6:3 \"offerAddToPath\" must be true or false, not the string \"yes\""}},
        {"version as a number",
         "{\"productId\": \"A\", \"productName\": \"B\", \"publisher\": \"C\", \"version\": 2.5}",
         {L"1:58 \"version\" must be a string, not a number (2.5)"}},
        {"flag as null",
         Manifest(",\n  \"requireLicenseAccept\": null"),
         {L"6:3 \"requireLicenseAccept\" must be true or false, not null"}},
        {"text as an object",
         Manifest(",\n  \"tagline\": {\"ru\": \"x\"}"),
         {L"6:3 \"tagline\" must be a string, not an object"}},
        {"components as an object",
         Manifest(",\n  \"components\": {\"id\": \"core\"}"),
         {L"6:3 \"components\" must be an array of components, not an object"}},
        {"a component as a string",
         Manifest(",\n  \"components\": [{\"id\": \"a\"}, \"docs\"]"),
         {L"6:31 components[1] must be an object, not the string \"docs\""}},
        {"a component's flag as a string",
         Manifest(",\n  \"components\": [null, {\"id\": \"a\", \"required\": \"yes\"}]"),
         {L"6:36 \"required\" in components[1] must be true or false, not the string \"yes\""}},
        {"misspelt key",
         Manifest(",\n  \"offerAddToPth\": true"),
         {L"6:3 unknown key \"offerAddToPth\"; the nearest known key is \"offerAddToPath\""}},
        {"misspelt component key",
         Manifest(",\n  \"components\": [{\"id\": \"a\", \"prefix\": \"docs\"}]"),
         {L"6:30 unknown key \"prefix\" in components[0]; the nearest known key is \"pathPrefix\""}},
        {"no product id",
         "{\"productName\": \"B\", \"version\": \"1\", \"publisher\": \"C\"}",
         {L"0:0 \"productId\" is missing: the installer would take \"RQDemoApp\""}},
        {"nothing but a theme",
         "{\"theme\": \"dark\"}",
         {L"0:0 \"productId\" is missing: the installer would take \"RQDemoApp\"",
          L"0:0 \"productName\" is missing: the installer would take \"RQ Demo App\"",
          L"0:0 \"version\" is missing: the installer would take \"1.0.0\"",
          L"0:0 \"publisher\" is missing: the installer would take \"VI Razivaru\""}},
        {"null name and version, blank publisher",
         "{\"productId\": \"A\",\n\"productName\": null,\n\"version\": null,\n\"publisher\": \" \"}",
         {L"2:1 \"productName\" is null: the installer would take \"RQ Demo App\"",
          L"3:1 \"version\" is null: the installer would show none", L"4:1 \"publisher\" is empty"}},
        {"several at once",
         Manifest(",\n  \"thme\": \"dark\",\n  \"offerAddToPath\": 1,\n  \"preferPerMachine\": \"no\""),
         {L"6:3 unknown key \"thme\"; the nearest known key is \"theme\"",
          L"7:3 \"offerAddToPath\" must be true or false, not a number (1)",
          L"8:3 \"preferPerMachine\" must be true or false, not the string \"no\""}},
        {"a key escaped and not ASCII",
         Manifest(",\n  \"\\\"ключ\\\\\": 1"),
         {L"6:3 unknown key \"\"ключ\\\"; the nearest known key is \"accent\""}},
        {"array", "[{\"productId\": \"A\"}]", {L"1:1 the manifest must be a JSON object, not an array"}},
        {"string", "\"installer\"", {L"1:1 the manifest must be a JSON object, not the string \"installer\""}},
        {"null", " null ", {L"0:0 the manifest is null: the installer would use the defaults"}},
        {"blank", " \r\n ", {L"0:0 the manifest is empty: the installer would use the defaults"}},
        {"text after the object",
         Manifest() + "{}",
         {L"7:1 syntax error: The document root must not be followed by other values."}},
        {"too deep",
         Manifest(",\n  \"extra\": " + std::string(64, '[') + std::string(64, ']')),
         {L"6:3 unknown key \"extra\"; the nearest known key is \"theme\"", L"6:75 nesting deeper than 64 levels"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Found(c.Text), c.Errors) << c.Name << "\n" << c.Text;
}

// The check reads by the installer's own rules: it has a manifest exactly where the installer
// would take the text, and then the same one.
TEST(ManifestCheck, ItsManifestIsTheOneTheInstallerReads) {
    const std::vector<std::string> texts = {
        Manifest(),
        Manifest(",\n  \"PRODUCTNAME\": \"Other\", // a comment\n  \"components\": [{\"id\": \"a\"},],"),
        Manifest(",\n  \"unknown\": {\"deep\": [1, 2, {\"x\": null}]}"),
        Manifest(",\n  \"offerAddToPath\": \"yes\""),
        Manifest(",\n  \"components\": [\"docs\"]"),
        "{\"theme\": \"dark\"}",
        "{\"productId\": \"A\" \"x\": 1}",
        "null",
    };
    for (const std::string& text : texts) {
        const ManifestCheck check = CheckManifest(Text::FromUtf8(text));
        EXPECT_EQ(check.Manifest, ReadManifest(Text::FromUtf8(text))) << text;
    }
    EXPECT_TRUE(CheckManifest(Text::FromUtf8(Manifest(",\n  \"ProductName\": \"X\",\n  /* ok */"))).Errors.empty());
}

TEST(ManifestCheck, KnowsWhereEachKeyStands) {
    const ManifestCheck check = CheckManifest(Text::FromUtf8(
        Manifest(",\n  \"mainExecutable\": \"app.exe\",\n  \"components\": [\n    null,\n    {\"id\": \"docs\", "
                 "\"PathPrefix\": \"docs\"}\n  ]")));
    ASSERT_TRUE(check.Errors.empty());
    EXPECT_EQ(check.PlaceOf(L"mainExecutable"), (TextPlace{6, 3}));
    EXPECT_EQ(check.PlaceOf(L"components[0]"), (TextPlace{9, 5})) << "a null element is no component";
    EXPECT_EQ(check.PlaceOf(L"components[0].pathPrefix"), (TextPlace{9, 20}));
    EXPECT_EQ(check.PlaceOf(L"iconPath"), std::nullopt);
}

}  // namespace
}  // namespace Ravenquill::Core::CoreJson
