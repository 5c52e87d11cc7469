// The uninstall entries of the test prefix, written and read for real. Every test works on entries
// named after itself and removes them before and after it runs.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/common/errors.h"
#include "core/common/registry_win32.h"
#include "core/common/text.h"
#include "core/common/unique_handle.h"
#include "core/engine/platform/uninstall_registry.h"

namespace Ravenquill::Core {
namespace {

constexpr wchar_t ListKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

struct RawValue {
    DWORD Kind = 0;
    std::vector<BYTE> Bytes;
    bool operator==(const RawValue&) const = default;
};
using RawValues = std::map<std::wstring, RawValue>;

RawValue String(const std::wstring& text, DWORD kind = REG_SZ) {
    const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return RawValue{kind, std::vector<BYTE>(bytes, bytes + (text.size() + 1) * sizeof(wchar_t))};
}

RawValue Number(std::uint32_t number) {
    const auto* bytes = reinterpret_cast<const BYTE*>(&number);
    return RawValue{REG_DWORD, std::vector<BYTE>(bytes, bytes + sizeof(number))};
}

std::wstring KeyOf(const std::wstring& id) { return std::wstring(ListKey) + L"\\" + id; }

// Every value of the key, or nothing when the key is missing.
std::optional<RawValues> ReadAll(HKEY hive, const std::wstring& path) {
    UniqueHKey key;
    if (RegOpenKeyExW(hive, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, key.put()) != ERROR_SUCCESS)
        return std::nullopt;
    RawValues values;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = 256;
        DWORD kind = 0;
        BYTE data[4096];
        DWORD size = sizeof(data);
        if (RegEnumValueW(key.get(), index, name, &nameLength, nullptr, &kind, data, &size) != ERROR_SUCCESS) break;
        values[std::wstring(name, nameLength)] = RawValue{kind, std::vector<BYTE>(data, data + size)};
    }
    return values;
}

void SetRaw(HKEY hive, const std::wstring& path, const wchar_t* name, const RawValue& value) {
    UniqueHKey key;
    ASSERT_EQ(RegCreateKeyExW(hive, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, key.put(),
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key.get(), name, 0, value.Kind, value.Bytes.data(), static_cast<DWORD>(value.Bytes.size()));
}

std::wstring Today() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    wchar_t text[16];
    swprintf(text, 16, L"%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
    return text;
}

class UninstallRegistryWin32Test : public testing::Test {
protected:
    void SetUp() override {
        id_ = std::wstring(L"RqUninstallTest.") +
              Text::FromUtf8(testing::UnitTest::GetInstance()->current_test_info()->name());
        Remove();
    }
    void TearDown() override { Remove(); }

    // This test's own product id, and an id derived from it for a second product.
    const std::wstring& Id() const { return id_; }
    std::wstring OtherId() const { return id_ + L".Other"; }

    InstallRecord Record(bool perMachine, std::wstring version = L"2.5.1") const {
        InstallRecord record;
        record.ProductName = L"Тест " + id_;
        record.ProductId = id_;
        record.Version = std::move(version);
        record.Publisher = L"Rq Tests";
        record.InstallDir = L"C:\\Rq Tests\\" + id_;
        record.PerMachine = perMachine;
        return record;
    }

private:
    void Remove() const {
        for (const bool perMachine : {false, true}) {
            for (const std::wstring& id : {Id(), OtherId()}) {
                RegDeleteTreeW(Hive(perMachine), KeyOf(id).c_str());
                RegDeleteKeyExW(Hive(perMachine), KeyOf(id).c_str(), KEY_WOW64_64KEY, 0);
            }
        }
    }

    std::wstring id_;
};

TEST_F(UninstallRegistryWin32Test, WriteSetsExactlyTheEntrysValuesAndKinds) {
    for (const bool perMachine : {false, true}) {
        const InstallRecord record = Record(perMachine);
        const std::wstring uninstaller = record.InstallDir + L"\\uninstall.exe";
        UninstallRegistry::Write(record, uninstaller, 5 * 1048576 + 1023, record.InstallDir + L"\\app.exe",
                                 L"https://example.invalid/rq");
        const RawValues expected{
            {L"DisplayName", String(record.ProductName)},
            {L"DisplayVersion", String(L"2.5.1")},
            {L"Publisher", String(L"Rq Tests")},
            {L"InstallLocation", String(record.InstallDir)},
            {L"UninstallString", String(L"\"" + uninstaller + L"\" --uninstall")},
            {L"QuietUninstallString", String(L"\"" + uninstaller + L"\" --uninstall --silent")},
            {L"DisplayIcon", String(record.InstallDir + L"\\app.exe")},
            {L"InstallDate", String(Today())},
            {L"EstimatedSize", Number(5120)},
            {L"NoModify", Number(1)},
            {L"NoRepair", Number(1)},
            {L"URLInfoAbout", String(L"https://example.invalid/rq")},
            {L"VersionMajor", Number(2)},
            {L"VersionMinor", Number(5)},
        };
        EXPECT_EQ(ReadAll(Hive(perMachine), KeyOf(Id())), expected) << perMachine;
        // The other hive holds no entry of the product.
        EXPECT_EQ(ReadAll(Hive(!perMachine), KeyOf(Id())), std::nullopt) << perMachine;
        RegDeleteTreeW(Hive(perMachine), KeyOf(Id()).c_str());
        RegDeleteKeyExW(Hive(perMachine), KeyOf(Id()).c_str(), KEY_WOW64_64KEY, 0);
    }
}

TEST_F(UninstallRegistryWin32Test, UpdateOverwritesWhatItWritesAndKeepsWhatItDoesNot) {
    const std::wstring path = KeyOf(Id());
    UninstallRegistry::Write(Record(false, L"1.4"), L"C:\\Old\\uninstall.exe", 2048, std::nullopt,
                             L"https://example.invalid/old");
    // A value of the wrong kind left by someone else is replaced with the right kind.
    SetRaw(HKEY_CURRENT_USER, path, L"EstimatedSize", String(L"huge"));
    SetRaw(HKEY_CURRENT_USER, path, L"Comments", String(L"not ours"));

    InstallRecord update = Record(false, L"beta");
    update.ProductName = L"Новое имя";
    UninstallRegistry::Write(update, L"C:\\New\\uninstall.exe", 0, L"", L"  ");

    const std::optional<RawValues> values = ReadAll(HKEY_CURRENT_USER, path);
    ASSERT_TRUE(values.has_value());
    const RawValues expected{
        {L"DisplayName", String(L"Новое имя")},
        {L"DisplayVersion", String(L"beta")},
        {L"Publisher", String(L"Rq Tests")},
        {L"InstallLocation", String(update.InstallDir)},
        {L"UninstallString", String(L"\"C:\\New\\uninstall.exe\" --uninstall")},
        {L"QuietUninstallString", String(L"\"C:\\New\\uninstall.exe\" --uninstall --silent")},
        {L"DisplayIcon", String(L"C:\\New\\uninstall.exe")},
        {L"InstallDate", String(Today())},
        {L"EstimatedSize", Number(1)},
        {L"NoModify", Number(1)},
        {L"NoRepair", Number(1)},
        // Not written by the update: the earlier write's values stay.
        {L"URLInfoAbout", String(L"https://example.invalid/old")},
        {L"VersionMajor", Number(1)},
        {L"VersionMinor", Number(4)},
        {L"Comments", String(L"not ours")},
    };
    EXPECT_EQ(*values, expected);
}

TEST_F(UninstallRegistryWin32Test, DeleteRemovesTheEntryWithItsSubkeysAndNothingElse) {
    for (const bool perMachine : {false, true}) {
        UninstallRegistry::Write(Record(perMachine), L"C:\\X\\uninstall.exe", 1, std::nullopt, std::nullopt);
        SetRaw(Hive(perMachine), KeyOf(Id()) + L"\\Nested\\Deeper", L"Left", String(L"by a plug-in"));
        InstallRecord other = Record(perMachine);
        other.ProductId = OtherId();
        UninstallRegistry::Write(other, L"C:\\Y\\uninstall.exe", 1, std::nullopt, std::nullopt);

        UninstallRegistry::Delete(Id(), perMachine);
        EXPECT_EQ(ReadAll(Hive(perMachine), KeyOf(Id())), std::nullopt) << perMachine;
        EXPECT_NE(ReadAll(Hive(perMachine), KeyOf(OtherId())), std::nullopt) << perMachine;
        // Deleting what is gone, or the other scope's entry that never was, does nothing.
        UninstallRegistry::Delete(Id(), perMachine);
        UninstallRegistry::Delete(OtherId(), !perMachine);
        EXPECT_NE(ReadAll(Hive(perMachine), KeyOf(OtherId())), std::nullopt) << perMachine;
    }
}

TEST_F(UninstallRegistryWin32Test, BlankOrNestedProductIdsAreRefusedBeforeAnyKeyIsTouched) {
    for (const bool perMachine : {false, true}) {
        InstallRecord other = Record(perMachine);
        other.ProductId = OtherId();
        UninstallRegistry::Write(other, L"C:\\Y\\uninstall.exe", 1, std::nullopt, std::nullopt);
    }
    const std::optional<RawValues> listBefore = ReadAll(HKEY_CURRENT_USER, ListKey);
    const std::optional<RawValues> machineListBefore = ReadAll(HKEY_LOCAL_MACHINE, ListKey);

    const std::wstring refused[] = {L"", L"  ", L"\t", L"\\", OtherId() + L"\\", L"..\\" + OtherId(), Id() + L"\\Sub"};
    for (const std::wstring& id : refused) {
        for (const bool perMachine : {false, true}) {
            InstallRecord record = Record(perMachine);
            record.ProductId = id;
            EXPECT_THROW(UninstallRegistry::Write(record, L"C:\\Z\\uninstall.exe", 1, std::nullopt, std::nullopt),
                         ArgumentException)
                << id;
            EXPECT_THROW(UninstallRegistry::Delete(id, perMachine), ArgumentException) << id;
        }
        // The wizard's start-up asks for an earlier installation of whatever the manifest names:
        // such an id has none, and the question is no failure.
        EXPECT_EQ(UninstallRegistry::FindInstalled(id), std::nullopt) << id;
    }

    EXPECT_EQ(ReadAll(HKEY_CURRENT_USER, ListKey), listBefore);
    EXPECT_EQ(ReadAll(HKEY_LOCAL_MACHINE, ListKey), machineListBefore);
    for (const bool perMachine : {false, true}) {
        EXPECT_NE(ReadAll(Hive(perMachine), KeyOf(OtherId())), std::nullopt) << perMachine;
        EXPECT_EQ(ReadAll(Hive(perMachine), KeyOf(Id())), std::nullopt) << perMachine;
    }
}

TEST_F(UninstallRegistryWin32Test, FindInstalledPrefersTheMachineAndSkipsUnusableEntries) {
    wchar_t systemRoot[MAX_PATH] = {};
    ASSERT_NE(GetEnvironmentVariableW(L"SystemRoot", systemRoot, MAX_PATH), 0u);
    // Each case: what the machine's entry holds, what the user's holds, and the answer (with the
    // hive it came from as its scope).
    struct Entry {
        std::optional<RawValue> location;
        std::optional<RawValue> version;
    };
    const struct {
        const char* name;
        std::optional<Entry> machine;
        std::optional<Entry> user;
        std::optional<UninstallRegistry::InstalledEntry> expected;
    } cases[] = {
        {"both", Entry{String(L"C:\\M"), String(L"1.0")}, Entry{String(L"C:\\U"), String(L"2.0")},
         UninstallRegistry::InstalledEntry{L"C:\\M", L"1.0", true}},
        {"blank machine location", Entry{String(L"  "), String(L"1.0")}, Entry{String(L"C:\\U"), String(L"2.0")},
         UninstallRegistry::InstalledEntry{L"C:\\U", L"2.0"}},
        {"number as location", Entry{Number(7), String(L"1.0")}, std::nullopt, std::nullopt},
        {"list as location", Entry{String(L"C:\\M", REG_MULTI_SZ), String(L"1.0")}, std::nullopt, std::nullopt},
        {"machine key without location", Entry{std::nullopt, String(L"1.0")}, Entry{String(L"C:\\U"), std::nullopt},
         UninstallRegistry::InstalledEntry{L"C:\\U", L""}},
        {"version of another kind", Entry{String(L"C:\\M"), Number(3)}, std::nullopt,
         UninstallRegistry::InstalledEntry{L"C:\\M", L"", true}},
        {"expandable location", std::nullopt, Entry{String(L"%SystemRoot%\\Rq", REG_EXPAND_SZ), String(L"5")},
         UninstallRegistry::InstalledEntry{std::wstring(systemRoot) + L"\\Rq", L"5"}},
        {"none", std::nullopt, std::nullopt, std::nullopt},
    };

    for (const auto& c : cases) {
        for (const bool perMachine : {false, true}) {
            RegDeleteTreeW(Hive(perMachine), KeyOf(Id()).c_str());
            RegDeleteKeyExW(Hive(perMachine), KeyOf(Id()).c_str(), KEY_WOW64_64KEY, 0);
            const std::optional<Entry>& entry = perMachine ? c.machine : c.user;
            if (!entry) continue;
            SetRaw(Hive(perMachine), KeyOf(Id()), L"Publisher", String(L"Rq Tests"));
            if (entry->location) SetRaw(Hive(perMachine), KeyOf(Id()), L"InstallLocation", *entry->location);
            if (entry->version) SetRaw(Hive(perMachine), KeyOf(Id()), L"DisplayVersion", *entry->version);
        }
        EXPECT_EQ(UninstallRegistry::FindInstalled(Id()), c.expected) << c.name;
    }
}

TEST_F(UninstallRegistryWin32Test, WrittenEntryIsFoundAndDeletedEntryIsNot) {
    UninstallRegistry::Write(Record(false, L"3.1"), L"C:\\X\\uninstall.exe", 1, std::nullopt, std::nullopt);
    EXPECT_EQ(UninstallRegistry::FindInstalled(Id()),
              (UninstallRegistry::InstalledEntry{Record(false).InstallDir, L"3.1"}));
    UninstallRegistry::Delete(Id(), false);
    EXPECT_EQ(UninstallRegistry::FindInstalled(Id()), std::nullopt);
}

}  // namespace
}  // namespace Ravenquill::Core
