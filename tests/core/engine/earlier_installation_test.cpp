#include "core/engine/engines/earlier_installation.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_folder.h"

namespace Ravenquill::Core {
namespace {

using UninstallRegistry::InstalledEntry;

InstallRecord RecordOf(const std::wstring& dir, bool perMachine) {
    InstallRecord record;
    record.ProductName = L"Quill";
    record.ProductId = L"RqQuill";
    record.Version = L"1.0";
    record.InstallDir = dir;
    record.PerMachine = perMachine;
    record.Components = {L"core", L"extras"};
    return record;
}

TEST(EarlierInstallation, ARecordBelongsToTheEntryOnlyWithItsProductScopeAndFolder) {
    struct Case {
        const char* Name;
        std::wstring RecordId;
        bool RecordPerMachine;
        std::wstring RecordDir;
        bool Belongs;
    };
    const InstalledEntry entry{L"C:\\Apps\\Quill", L"1.0", false};
    const Case cases[] = {
        {"the same installation", L"RqQuill", false, L"C:\\Apps\\Quill", true},
        // Registry keys and Windows paths ignore letter case; a trailing separator names the same folder.
        {"another spelling", L"RQQUILL", false, L"c:\\apps\\quill\\", true},
        {"edited to all users", L"RqQuill", true, L"C:\\Apps\\Quill", false},
        {"another product's record", L"RqOther", false, L"C:\\Apps\\Quill", false},
        {"copied from another folder", L"RqQuill", false, L"C:\\Apps\\Elsewhere", false},
    };
    for (const Case& c : cases) {
        InstallRecord record = RecordOf(c.RecordDir, c.RecordPerMachine);
        record.ProductId = c.RecordId;
        EXPECT_EQ(RecordBelongsToEntry(record, entry, L"RqQuill"), c.Belongs) << c.Name;
    }
    // A per-user record in the machine's entry is just as foreign.
    EXPECT_FALSE(RecordBelongsToEntry(RecordOf(L"C:\\Apps\\Quill", false),
                                      InstalledEntry{L"C:\\Apps\\Quill", L"1.0", true}, L"RqQuill"));
}

TEST(EarlierInstallation, TheScopeIsTheHivesAndOnlyARecordThatBelongsIsKept) {
    const Testing::TempFolder temp;
    const std::wstring dir = temp.Path("Quill");
    struct Case {
        const char* Name;
        bool EntryPerMachine;
        std::optional<bool> RecordPerMachine;  // none: no record in the folder
        bool Kept;
    };
    const Case cases[] = {
        {"per user", false, false, true},
        {"per machine", true, true, true},
        {"a per-user record edited to all users", false, true, false},
        {"a machine's record in the user's entry", true, false, false},
        {"no record", false, std::nullopt, false},
    };
    for (const Case& c : cases) {
        temp.MakeFolder("Quill");
        std::filesystem::remove_all(temp.Get("Quill/.ravenquill"));
        if (c.RecordPerMachine) InstallRecord::Save(RecordOf(dir, *c.RecordPerMachine), dir);
        const std::optional<EarlierInstallation> found =
            EarlierInstallationOf(InstalledEntry{dir, L"1.0", c.EntryPerMachine}, L"RqQuill");
        ASSERT_TRUE(found) << c.Name;
        EXPECT_EQ(found->InstallDir, dir) << c.Name;
        EXPECT_EQ(found->PerMachine, c.EntryPerMachine) << c.Name;
        ASSERT_EQ(found->Record.has_value(), c.Kept) << c.Name;
        if (c.Kept) {
            EXPECT_EQ(found->Record->Components, (std::vector<std::wstring>{L"core", L"extras"})) << c.Name;
        }
    }

    // A record that is no JSON tells nothing; the installation is still there to update.
    temp.Write("Quill/.ravenquill/record.json", "{ not json");
    const std::optional<EarlierInstallation> damaged =
        EarlierInstallationOf(InstalledEntry{dir, L"1.0", false}, L"RqQuill");
    ASSERT_TRUE(damaged);
    EXPECT_FALSE(damaged->Record);
#ifdef _WIN32
    // A folder on a drive that is gone can be updated no more: the scope's default stands in.
    for (wchar_t letter = L'B'; letter < L'Z'; ++letter) {
        const std::wstring root = std::wstring(1, letter) + L":\\";
        if (std::filesystem::exists(std::filesystem::path(root))) continue;
        EXPECT_FALSE(EarlierInstallationOf(InstalledEntry{root + L"Apps\\Quill", L"1.0", false}, L"RqQuill")) << root;
        break;
    }
    EXPECT_FALSE(EarlierInstallationOf(InstalledEntry{std::wstring(L"bad\0path", 8), L"1.0", false}, L"RqQuill"));
#endif
}

}  // namespace
}  // namespace Ravenquill::Core
