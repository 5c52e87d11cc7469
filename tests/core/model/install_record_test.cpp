#include "core/model/install_record.h"

#include <gtest/gtest.h>

#include "core/common/errors.h"
#include "core/common/path.h"
#include "core/model/core_json.h"
#include "support/temp_folder.h"

namespace Ravenquill::Core {
namespace {

using Testing::TempFolder;

InstallRecord SampleRecord() {
    InstallRecord r;
    r.ProductName = L"Tolvane \u0412";
    r.ProductId = L"Tolvane";
    r.Version = L"0.3.4";
    r.Publisher = L"DA \"Dedu\" & <Co>";
    r.InstallDir = L"C:\\Apps\\Tolvane";
    r.PerMachine = true;
    r.InstalledAt = *OffsetDateTime::ParseIso(L"2025-03-14T09:26:53.5897932+03:00");
    r.Files = {L"Tolvane.exe", L"docs\\read me.txt", L"uninstall.exe"};
    r.Directories = {L"docs"};
    r.Shortcuts = {L"C:\\Users\\u\\Desktop\\Tolvane.lnk"};
    r.StartMenuDirectory = L"C:\\Start\\ZE Zeruv";
    r.Components = {L"core"};
    r.PathEntryAdded = true;
    r.MainExecutable = L"Tolvane.exe";
    return r;
}

void ExpectSameRecord(const InstallRecord& a, const InstallRecord& b) {
    EXPECT_EQ(a.ProductName, b.ProductName);
    EXPECT_EQ(a.ProductId, b.ProductId);
    EXPECT_EQ(a.Version, b.Version);
    EXPECT_EQ(a.Publisher, b.Publisher);
    EXPECT_EQ(a.InstallDir, b.InstallDir);
    EXPECT_EQ(a.PerMachine, b.PerMachine);
    EXPECT_EQ(a.InstalledAt, b.InstalledAt);
    EXPECT_EQ(a.Files, b.Files);
    EXPECT_EQ(a.Directories, b.Directories);
    EXPECT_EQ(a.ParentDirectories, b.ParentDirectories);
    EXPECT_EQ(a.Shortcuts, b.Shortcuts);
    EXPECT_EQ(a.StartMenuDirectory, b.StartMenuDirectory);
    EXPECT_EQ(a.Components, b.Components);
    EXPECT_EQ(a.OfferedComponents, b.OfferedComponents);
    EXPECT_EQ(a.PathEntryAdded, b.PathEntryAdded);
    EXPECT_EQ(a.MainExecutable, b.MainExecutable);
}

TEST(InstallRecord, PathForJoinsRecordFolderAndFile) {
    const std::wstring expected =
        std::wstring(L"C:\\Apps\\X") + Path::Separator + L".ravenquill" + Path::Separator + L"record.json";
    EXPECT_EQ(InstallRecord::PathFor(L"C:\\Apps\\X"), expected);
}

TEST(InstallRecord, WrittenBytesAreExact) {
    TempFolder dir;
    InstallRecord::Save(SampleRecord(), dir.Path());
    const std::string expected =
        "\xEF\xBB\xBF{\r\n"
        "  \"productName\": \"Tolvane \\u0412\",\r\n"
        "  \"productId\": \"Tolvane\",\r\n"
        "  \"version\": \"0.3.4\",\r\n"
        "  \"publisher\": \"DA \\u0022Dedu\\u0022 \\u0026 \\u003CCo\\u003E\",\r\n"
        "  \"installDir\": \"C:\\\\Apps\\\\Tolvane\",\r\n"
        "  \"perMachine\": true,\r\n"
        "  \"installedAt\": \"2025-03-14T09:26:53.5897932+03:00\",\r\n"
        "  \"files\": [\r\n"
        "    \"Tolvane.exe\",\r\n"
        "    \"docs\\\\read me.txt\",\r\n"
        "    \"uninstall.exe\"\r\n"
        "  ],\r\n"
        "  \"directories\": [\r\n"
        "    \"docs\"\r\n"
        "  ],\r\n"
        "  \"shortcuts\": [\r\n"
        "    \"C:\\\\Users\\\\u\\\\Desktop\\\\Tolvane.lnk\"\r\n"
        "  ],\r\n"
        "  \"startMenuDirectory\": \"C:\\\\Start\\\\ZE Zeruv\",\r\n"
        "  \"components\": [\r\n"
        "    \"core\"\r\n"
        "  ],\r\n"
        "  \"pathEntryAdded\": true,\r\n"
        "  \"mainExecutable\": \"Tolvane.exe\"\r\n"
        "}";
    EXPECT_EQ(dir.Read(".ravenquill/record.json"), expected);
}

TEST(InstallRecord, AbsentTextsAreLeftOutAndEmptyListsWrittenEmpty) {
    InstallRecord r;
    r.InstalledAt = OffsetDateTime{*OffsetDateTime::ParseIso(L"2024-01-02T03:04:05Z")};
    const std::wstring expected =
        L"{\r\n  \"productName\": \"\",\r\n  \"productId\": \"\",\r\n  \"version\": \"\",\r\n"
        L"  \"publisher\": \"\",\r\n  \"installDir\": \"\",\r\n  \"perMachine\": false,\r\n"
        L"  \"installedAt\": \"2024-01-02T03:04:05+00:00\",\r\n  \"files\": [],\r\n  \"directories\": [],\r\n"
        L"  \"shortcuts\": [],\r\n  \"components\": [],\r\n  \"pathEntryAdded\": false\r\n}";
    EXPECT_EQ(CoreJson::WriteRecord(r), expected);
}

// The lists written only when there are any stand right after their neighbours and come back in
// their order: the folders made above the install directory, and the components the manifest
// offered. A record without them reads as having none.
TEST(InstallRecord, ListsWrittenOnlyWhenThereAreAnyComeBack) {
    struct Case {
        const char* name;
        void (*fill)(InstallRecord&);
        const wchar_t* written;
    };
    const Case cases[] = {
        {"parent directories",
         [](InstallRecord& r) {
             r.ParentDirectories = {L"C:\\Apps", L"C:\\Apps\\Vendor"};
         },
         L"  \"directories\": [\r\n    \"docs\"\r\n  ],\r\n  \"parentDirectories\": [\r\n"
         L"    \"C:\\\\Apps\",\r\n    \"C:\\\\Apps\\\\Vendor\"\r\n  ],\r\n  \"shortcuts\""},
        {"offered components",
         [](InstallRecord& r) {
             r.OfferedComponents = {L"core", L"docs"};
         },
         L"  \"components\": [\r\n    \"core\"\r\n  ],\r\n  \"offeredComponents\": [\r\n"
         L"    \"core\",\r\n    \"docs\"\r\n  ],\r\n  \"pathEntryAdded\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder dir;
        InstallRecord r = SampleRecord();
        c.fill(r);
        const std::wstring text = CoreJson::WriteRecord(r);
        EXPECT_NE(text.find(c.written), std::wstring::npos) << text;
        InstallRecord::Save(r, dir.Path());
        const std::optional<InstallRecord> loaded = InstallRecord::Load(dir.Path());
        ASSERT_TRUE(loaded);
        ExpectSameRecord(*loaded, r);
    }
    TempFolder dir;
    InstallRecord::Save(SampleRecord(), dir.Path());
    const std::optional<InstallRecord> without = InstallRecord::Load(dir.Path());
    ASSERT_TRUE(without);
    ExpectSameRecord(*without, SampleRecord());
}

TEST(InstallRecord, StrictEscapes) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"plain / text", L"\"plain / text\""},
        {L"\\", L"\"\\\\\""},
        {L"\b\f\n\r\t", L"\"\\b\\f\\n\\r\\t\""},
        {std::wstring(L"\0\x01\x1F\x7F", 4), L"\"\\u0000\\u0001\\u001F\\u007F\""},
        {L"\"&'+<>`", L"\"\\u0022\\u0026\\u0027\\u002B\\u003C\\u003E\\u0060\""},
        {L"\u00E9\u042F\uFFFF", L"\"\\u00E9\\u042F\\uFFFF\""},
        {L"\xD83D\xDE00", L"\"\\uD83D\\uDE00\""},
    };
    for (const auto& [input, expected] : cases) EXPECT_EQ(CoreJson::QuoteString(input), expected);
}

TEST(InstallRecord, SaveCreatesFolderAndReplacesEarlierRecord) {
    TempFolder dir;
    const std::wstring installDir = Path::Combine(dir.Path(), L"Product");
    InstallRecord first = SampleRecord();
    first.Files.assign(50, L"a-long-file-name-that-makes-the-first-record-longer.bin");
    InstallRecord::Save(first, installDir);
    InstallRecord second = SampleRecord();
    second.ProductName = L"Second";
    second.StartMenuDirectory.reset();
    second.MainExecutable.reset();
    InstallRecord::Save(second, installDir);

    const std::optional<InstallRecord> loaded = InstallRecord::Load(installDir);
    ASSERT_TRUE(loaded);
    ExpectSameRecord(*loaded, second);
    EXPECT_EQ(dir.Read("Product/.ravenquill/record.json").substr(0, 6), "\xEF\xBB\xBF{\r\n");
}

TEST(InstallRecord, SavedAndLoadedRecordIsEqual) {
    TempFolder dir;
    InstallRecord r = SampleRecord();
    r.Files.push_back(std::wstring(L"odd\0name\u00E9", 9) + L"\xD83D\xDE00");
    r.InstalledAt = OffsetDateTime{r.InstalledAt.LocalTicks + 1, -(9 * 60 + 30)};
    InstallRecord::Save(r, dir.Path());
    const std::optional<InstallRecord> loaded = InstallRecord::Load(dir.Path());
    ASSERT_TRUE(loaded);
    ExpectSameRecord(*loaded, r);

    InstallRecord fresh;
    InstallRecord::Save(fresh, dir.Path());
    ExpectSameRecord(*InstallRecord::Load(dir.Path()), fresh);
}

TEST(InstallRecord, MalformedOrMissingRecordLoadsAsAbsent) {
    TempFolder dir;
    EXPECT_FALSE(InstallRecord::Load(dir.Path()));
    EXPECT_FALSE(InstallRecord::Load(Path::Combine(dir.Path(), L"missing")));
    for (const std::string text :
         {"", "\xEF\xBB\xBF", "null", "\xEF\xBB\xBFnull", "{\"perMachine\": \"true\"}", "{\"perMachine\": null}", "[]",
          "{\"files\": [1]}", "{\"files\": \"a\"}", "{\"installedAt\": \"yesterday\"}", "{\"installedAt\": null}",
          "{\"installDir\": 5}", "{\"productName\": \"x\",", "\xFF\xFE{\x00"}) {
        dir.Write(".ravenquill/record.json", text);
        EXPECT_FALSE(InstallRecord::Load(dir.Path())) << text;
    }
}

TEST(InstallRecord, DirectoryInPlaceOfTheFileIsNoRecord) {
    TempFolder dir;
    std::filesystem::create_directories(dir.Get() / ".ravenquill" / "record.json");
    EXPECT_FALSE(InstallRecord::Load(dir.Path()));
}

// U+0000 would cut the path short at the platform: "<dir>\0x" must not write or read "<dir>".
TEST(InstallRecord, InstallDirectoryWithNulCharacterIsRefused) {
    TempFolder dir;
    InstallRecord::Save(SampleRecord(), dir.Path());
    const std::wstring cut = dir.Path() + std::wstring(1, L'\0') + L"x";
    EXPECT_FALSE(InstallRecord::Load(cut)) << "the record of the shortened path must not be found";
    const std::string before = dir.Read(".ravenquill/record.json");
    InstallRecord other = SampleRecord();
    other.ProductName = L"Other";
    EXPECT_THROW(InstallRecord::Save(other, cut), ArgumentException);
    EXPECT_EQ(dir.Read(".ravenquill/record.json"), before);
}

TEST(InstallRecord, LenientReading) {
    TempFolder dir;
    dir.Write(".ravenquill/record.json",
              "// written by hand\n{\"PRODUCTNAME\": \"A\", \"productName\": \"B\", \"extra\": {\"k\": [true]},"
              " \"files\": [\"x\", null], \"directories\": null, \"installedAt\": \"2025-03-14T09:26:53-05:30\","
              " \"mainExecutable\": null,}");
    const std::optional<InstallRecord> r = InstallRecord::Load(dir.Path());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->ProductName, L"B");
    EXPECT_EQ(r->Files, std::vector<std::wstring>{L"x"});
    EXPECT_TRUE(r->Directories.empty());
    EXPECT_TRUE(r->Components.empty());
    EXPECT_FALSE(r->MainExecutable);
    EXPECT_EQ(r->InstalledAt.OffsetMinutes, -330);
    EXPECT_EQ(r->InstalledAt.ToIsoString(), L"2025-03-14T09:26:53-05:30");
}

TEST(InstallRecord, MissingDateIsTheTimeOfLoading) {
    const OffsetDateTime before = OffsetDateTime::Now();
    const std::optional<InstallRecord> r = CoreJson::ReadRecord(L"{}");
    ASSERT_TRUE(r);
    EXPECT_GE(r->InstalledAt.LocalTicks - r->InstalledAt.OffsetMinutes * 600'000'000LL,
              before.LocalTicks - before.OffsetMinutes * 600'000'000LL);
}

}  // namespace
}  // namespace Ravenquill::Core
