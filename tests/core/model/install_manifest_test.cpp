#include "core/model/install_manifest.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "core/common/errors.h"
#include "core/model/core_json.h"
#include "support/fake_host.h"
#include "support/temp_folder.h"

namespace Ravenquill::Core {
namespace {

using Testing::FakeHost;
using Testing::TempFolder;

// An executable in a scratch directory, optionally with installer.json beside it.
class ManifestLoad : public ::testing::Test {
protected:
    ManifestLoad() : host_(dir_.Path() + L"/installer.exe"), scope_(host_) {}
    void WriteSideFile(const std::string& bytes) { dir_.Write("installer.json", bytes); }

    TempFolder dir_;
    FakeHost host_;
    ScopedHost scope_;
};

TEST_F(ManifestLoad, NothingGivesTheDefaults) {
    const InstallManifest m = InstallManifest::Load();
    EXPECT_EQ(m, InstallManifest());
    EXPECT_EQ(m.ProductName, L"RQ Demo App");
    EXPECT_EQ(m.Version, L"1.0.0");
    EXPECT_EQ(m.Publisher, L"VI Razivaru");
    EXPECT_EQ(m.ProductId, L"RQDemoApp");
    EXPECT_EQ(m.DefaultInstallDir, L"%ProgramFiles%\\{Publisher}\\{ProductName}");
    EXPECT_EQ(m.PerUserInstallDir, L"%LOCALAPPDATA%\\Programs\\{ProductName}");
    EXPECT_EQ(m.Theme, L"auto");
    EXPECT_FALSE(m.Tagline || m.Website || m.SupportUrl || m.MainExecutable || m.IconPath || m.LicenseText ||
                 m.LicenseFile || m.Accent || m.AccentStart || m.StartMenuFolder);
    EXPECT_TRUE(m.RequireLicenseAccept && m.AllowChangeDirectory && m.PreferPerMachine && m.OfferDesktopShortcut &&
                m.OfferStartMenuShortcut && m.OfferLaunchAfterInstall && m.DesktopShortcutByDefault &&
                m.StartMenuShortcutByDefault);
    EXPECT_FALSE(m.OfferAddToPath || m.AddToPathByDefault);
    EXPECT_TRUE(m.Components.empty());
}

TEST_F(ManifestLoad, BlankNullArrayOrBrokenSideFileGivesTheDefaults) {
    for (const std::string text :
         {"", "   \r\n\t ", "null", " null ", "[]", "[{\"productName\":\"X\"}]", "\"X\"", "42",
          "{\"productName\": \"X\"", "{\"productName\": \"X\"} trailing",
          "{\"requireLicenseAccept\": \"false\", \"productName\": \"X\"}",
          "{\"productName\": \"X\", \"offerAddToPath\": 1}", "{\"productName\": \"X\", \"components\": {}}",
          "{\"productName\": \"X\", \"components\": [{\"required\": null}]}"}) {
        WriteSideFile(text);
        EXPECT_EQ(InstallManifest::Load(), InstallManifest()) << text;
    }
}

TEST_F(ManifestLoad, ForgivingSyntaxLoads) {
    WriteSideFile(
        "\xEF\xBB\xBF// a comment line\r\n{\r\n  \"ProductName\": \"Tolvane\", /* block */\r\n"
        "  \"PRODUCTID\": \"First\",\r\n  \"productId\": \"Second\",\r\n  \"unknown\": {\"deep\": [1, -2.5e10, "
        "123456789012345678901234567890, "
        "null]},\r\n"
        "  \"tagline\": \"\xD0\x92\xD0\xB8\xD0\xB4\xD0\xB5\xD0\xBE\",\r\n}\r\n");
    const InstallManifest m = InstallManifest::Load();
    EXPECT_EQ(m.ProductName, L"Tolvane");
    EXPECT_EQ(m.ProductId, L"Second");
    EXPECT_EQ(m.Tagline, L"\u0412\u0438\u0434\u0435\u043E");
    EXPECT_EQ(m.Version, L"1.0.0");
}

TEST_F(ManifestLoad, OneKeyKeepsEveryOtherDefault) {
    WriteSideFile("{\"theme\": \"dark\"}");
    InstallManifest expected;
    expected.Theme = L"dark";
    EXPECT_EQ(InstallManifest::Load(), expected);
}

TEST_F(ManifestLoad, FullProductManifest) {
    WriteSideFile(
        "\xEF\xBB\xBF{\r\n\"productName\": \"Tolvane\", \"version\": \"0.3.4\", \"publisher\": \"DA Dedu\",\r\n"
        "\"productId\": \"Tolvane\", \"defaultInstallDir\": \"%ProgramFiles%\\\\ZE Zeruv\\\\Tolvane\",\r\n"
        "\"perUserInstallDir\": \"%LOCALAPPDATA%\\\\Tolvane\", \"mainExecutable\": \"Tolvane.exe\",\r\n"
        "\"iconPath\": \"Tolvane.exe\", \"requireLicenseAccept\": false, \"accent\": \"#F6891C\",\r\n"
        "\"preferPerMachine\": false, \"startMenuFolder\": \"ZE Zeruv\", \"website\": null,\r\n"
        "\"components\": [{}, null, {\"id\": \"docs\", \"name\": \"Docs\", \"description\": \"D\",\r\n"
        "  \"pathPrefix\": \"docs/\", \"required\": true, \"selectedByDefault\": false}]}\r\n");
    const InstallManifest m = InstallManifest::Load();
    EXPECT_EQ(m.ProductName, L"Tolvane");
    EXPECT_EQ(m.DefaultInstallDir, L"%ProgramFiles%\\ZE Zeruv\\Tolvane");
    EXPECT_EQ(m.PerUserInstallDir, L"%LOCALAPPDATA%\\Tolvane");
    EXPECT_FALSE(m.RequireLicenseAccept);
    EXPECT_FALSE(m.PreferPerMachine);
    EXPECT_FALSE(m.Website);
    EXPECT_EQ(m.EffectiveAccent(), L"#F6891C");
    EXPECT_EQ(m.EffectiveStartMenuFolder(), L"ZE Zeruv");
    ASSERT_EQ(m.Components.size(), 2u);
    EXPECT_EQ(m.Components[0], ComponentDefinition());
    EXPECT_EQ(m.Components[0].Id, L"");
    EXPECT_TRUE(m.Components[0].SelectedByDefault);
    EXPECT_EQ(m.Components[1], (ComponentDefinition{L"docs", L"Docs", L"D", L"docs/", true, false}));
}

TEST_F(ManifestLoad, NullForANeededTextKeepsItsDefault) {
    WriteSideFile("{\"productName\": null, \"defaultInstallDir\": null, \"components\": null, \"tagline\": null}");
    EXPECT_EQ(InstallManifest::Load(), InstallManifest());
}

// A null version is an absent one, not the built-in "1.0.0"; a null theme reads as the automatic
// theme, which the default already is.
TEST_F(ManifestLoad, NullVersionIsAbsentAndNullThemeAutomatic) {
    WriteSideFile("{\"version\": null, \"theme\": null}");
    InstallManifest expected;
    expected.Version.clear();
    EXPECT_EQ(InstallManifest::Load(), expected);
}

TEST_F(ManifestLoad, EmbeddedManifestWinsEvenWhenBlank) {
    WriteSideFile("{\"productName\": \"Side\"}");
    host_.Embed(L"Ravenquill.Manifest.json", "\xEF\xBB\xBF{\"productName\": \"Embedded\"}");
    EXPECT_EQ(InstallManifest::Load().ProductName, L"Embedded");

    host_.Embed(L"Ravenquill.Manifest.json", "  ");
    EXPECT_EQ(InstallManifest::Load().ProductName, L"RQ Demo App");
}

TEST_F(ManifestLoad, Utf16ByteOrderMarkSelectsTheEncoding) {
    std::string utf16 = "\xFF\xFE";
    for (const char c : std::string("{\"productName\": \"")) utf16 += std::string{c, '\0'};
    utf16 += std::string("\x2F\x04", 2);
    for (const char c : std::string("\"}")) utf16 += std::string{c, '\0'};
    host_.Embed(L"Ravenquill.Manifest.json", utf16);
    EXPECT_EQ(InstallManifest::Load().ProductName, L"\u042F");
    EXPECT_EQ(InstallManifest::ReadEmbeddedText(L"Ravenquill.Manifest.json"), L"{\"productName\": \"\u042F\"}");
    EXPECT_FALSE(InstallManifest::ReadEmbeddedText(L"Ravenquill.Logo.png"));
}

TEST_F(ManifestLoad, DirectoryNamedLikeTheSideFileIsNoManifest) {
    std::filesystem::create_directory(dir_.Get() / "installer.json");
    EXPECT_EQ(InstallManifest::Load(), InstallManifest());
}

TEST(ManifestJson, NestingDeeperThan64IsRejected) {
    const auto nested = [](int depth) {
        // The manifest object is the first level.
        return "{\"x\": " + std::string(depth - 1, '[') + std::string(depth - 1, ']') + ", \"productName\": \"Deep\"}";
    };
    ASSERT_TRUE(CoreJson::ReadManifest(Text::FromUtf8(nested(64))));
    EXPECT_EQ(CoreJson::ReadManifest(Text::FromUtf8(nested(64)))->ProductName, L"Deep");
    EXPECT_FALSE(CoreJson::ReadManifest(Text::FromUtf8(nested(65))));
    // Far deeper input is refused without exhausting the stack.
    EXPECT_FALSE(CoreJson::ReadManifest(Text::FromUtf8(std::string(1'000'000, '['))));
}

TEST(ManifestJson, ComponentsTakeTheirOwnKeysAndALaterListReplacesAnEarlierOne) {
    std::optional<InstallManifest> m = CoreJson::ReadManifest(
        L"{\"components\": [{\"ID\": \"core\", \"x\": {\"name\": \"No\", \"id\": [\"no\"]}, \"name\": \"Core\"},"
        L" null, {}], \"componentsX\": [1, {\"a\": 2}], \"productName\": \"P\"}");
    ASSERT_TRUE(m);
    ASSERT_EQ(m->Components.size(), 2u);
    EXPECT_EQ(m->Components[0].Id, L"core");
    EXPECT_EQ(m->Components[0].Name, L"Core") << "keys of a skipped value do not reach the component";
    EXPECT_EQ(m->Components[1], ComponentDefinition());
    EXPECT_EQ(m->ProductName, L"P");

    m = CoreJson::ReadManifest(L"{\"components\": [{\"id\": \"a\"}], \"COMPONENTS\": [{\"id\": \"b\"}]}");
    ASSERT_TRUE(m);
    ASSERT_EQ(m->Components.size(), 1u);
    EXPECT_EQ(m->Components[0].Id, L"b");
    for (const wchar_t* invalid : {L"{\"components\": [[]]}", L"{\"components\": [\"a\"]}",
                                   L"{\"components\": [{\"required\": 1}]}", L"{\"components\": [{\"id\": {}}]}"})
        EXPECT_FALSE(CoreJson::ReadManifest(invalid)) << invalid;
}

TEST(ManifestJson, NulCharacterEndsNothing) {
    EXPECT_FALSE(CoreJson::ReadManifest(std::wstring(L"{}\0{", 4)));
    EXPECT_EQ(CoreJson::ReadManifest(L"{\"productName\": \"a\\u0000b\"}")->ProductName, std::wstring(L"a\0b", 3));
}

TEST(ManifestExpand, PlaceholdersAreSanitizedAndMatchedIgnoringCase) {
    InstallManifest m;
    m.Publisher = L"A/B";
    m.ProductName = L"X: Y ";
    m.ProductId = L"Id|1";
    m.Version = L"1/2";
    EXPECT_EQ(m.Expand(L"{publisher}\\{PRODUCTNAME}\\{productid}-{Version}"), L"A_B\\X_ Y\\Id_1-1/2");
    EXPECT_EQ(m.Expand(L"%RQ_SURELY_UNDEFINED_NAME%\\{ProductName}"), L"%RQ_SURELY_UNDEFINED_NAME%\\X_ Y");
    EXPECT_EQ(m.Expand(L"100%"), L"100%");
}

TEST(ManifestExpand, EnvironmentVariablesAfterPlaceholders) {
#ifdef _WIN32
    _wputenv_s(L"RQ_MODEL_TEST_ROOT", L"R:\\Root");
#else
    setenv("RQ_MODEL_TEST_ROOT", "R:\\Root", 1);
#endif
    InstallManifest m;
    m.Publisher = L"A/B";
    m.ProductName = L"X: Y ";
    m.DefaultInstallDir = L"%RQ_MODEL_TEST_ROOT%\\{Publisher}\\{ProductName}";
    EXPECT_EQ(m.Expand(m.DefaultInstallDir), L"R:\\Root\\A_B\\X_ Y");
    // A product name holding a variable is expanded by the later step.
    m.ProductName = L"%RQ_MODEL_TEST_ROOT%";
    EXPECT_EQ(m.Expand(L"{ProductName}"), L"R:\\Root");
    EXPECT_EQ(m.Expand(L"%NOPE_RQ%RQ_MODEL_TEST_ROOT%"), L"%NOPE_RQ%RQ_MODEL_TEST_ROOT%");
}

TEST(ManifestSanitize, ReplacesInvalidCharactersAndTrims) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"a<b>c:d\"e/f\\g|h?i*j", L"a_b_c_d_e_f_g_h_i_j"},
        {L"  \x01\x1F \x7F\x9F  ", L"__ __"},
        {L"Tab\tName", L"Tab_Name"},
        {L"  Name. ", L"Name."},
        {L"", L""},
        {L"   ", L""},
        {L"\u00A0Ab\u3000", L"Ab"},
    };
    for (const auto& [input, expected] : cases) EXPECT_EQ(InstallManifest::SanitizeFileName(input), expected);
}

TEST(ManifestComputed, EffectiveAccentAndStartMenuFolder) {
    InstallManifest m;
    EXPECT_EQ(m.EffectiveAccent(), L"#4C8DFF");
    m.Accent = L"  ";
    m.AccentStart = L"#F6891C";
    EXPECT_EQ(m.EffectiveAccent(), L"#F6891C");
    m.Accent = L"not a colour";
    EXPECT_EQ(m.EffectiveAccent(), L"not a colour");

    m.ProductName = L"Prod/Name";
    EXPECT_EQ(m.EffectiveStartMenuFolder(), L"Prod_Name");
    m.StartMenuFolder = L" \t";
    EXPECT_EQ(m.EffectiveStartMenuFolder(), L"Prod_Name");
    m.StartMenuFolder = L"Folder:1 ";
    EXPECT_EQ(m.EffectiveStartMenuFolder(), L"Folder_1");
}

TEST(ManifestComputed, FirstNonEmpty) {
    EXPECT_EQ(InstallManifest::FirstNonEmpty({std::nullopt, L"", L" \t", L" a ", L"b"}), L" a ");
    EXPECT_FALSE(InstallManifest::FirstNonEmpty({std::nullopt, L"  "}));
    EXPECT_FALSE(InstallManifest::FirstNonEmpty({}));
}

}  // namespace
}  // namespace Ravenquill::Core
