// The persistent PATH of the test prefix, read and written for real. Each test keeps the
// variable's stored bytes and puts them back afterwards.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "core/common/errors.h"
#include "core/common/unique_handle.h"
#include "core/engine/platform/path_variable.h"

namespace Ravenquill::Core {
namespace {

constexpr wchar_t UserKey[] = L"Environment";
constexpr wchar_t MachineKey[] = L"System\\CurrentControlSet\\Control\\Session Manager\\Environment";

struct RawValue {
    DWORD Kind = 0;
    std::vector<BYTE> Bytes;
    bool operator==(const RawValue&) const = default;
};

HKEY Hive(bool machine) { return machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }
const wchar_t* Key(bool machine) { return machine ? MachineKey : UserKey; }

std::optional<RawValue> ReadRaw(bool machine) {
    DWORD kind = 0;
    DWORD size = 0;
    const DWORD flags = RRF_RT_ANY | RRF_NOEXPAND;  // a 64-bit test process reads the 64-bit view
    if (RegGetValueW(Hive(machine), Key(machine), L"PATH", flags, &kind, nullptr, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    RawValue raw{kind, std::vector<BYTE>(size)};
    EXPECT_EQ(RegGetValueW(Hive(machine), Key(machine), L"PATH", flags, &kind, raw.Bytes.data(), &size), ERROR_SUCCESS);
    raw.Bytes.resize(size);
    return raw;
}

void WriteRaw(bool machine, const std::optional<RawValue>& raw) {
    UniqueHKey key;
    ASSERT_EQ(RegCreateKeyExW(Hive(machine), Key(machine), 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr,
                              key.put(), nullptr),
              ERROR_SUCCESS);
    if (raw) {
        RegSetValueExW(key.get(), L"PATH", 0, raw->Kind, raw->Bytes.data(), static_cast<DWORD>(raw->Bytes.size()));
    } else {
        RegDeleteValueW(key.get(), L"PATH");
    }
}

RawValue TextValue(DWORD kind, const std::wstring& text) {
    const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return RawValue{kind, std::vector<BYTE>(bytes, bytes + (text.size() + 1) * sizeof(wchar_t))};
}

class PathVariableWin32Test : public testing::Test {
protected:
    void SetUp() override {
        savedUser_ = ReadRaw(false);
        savedMachine_ = ReadRaw(true);
    }
    void TearDown() override {
        WriteRaw(false, savedUser_);
        WriteRaw(true, savedMachine_);
    }

private:
    std::optional<RawValue> savedUser_;
    std::optional<RawValue> savedMachine_;
};

TEST_F(PathVariableWin32Test, AddToAScopeWithoutPathCreatesItWithTheDirectoryAlone) {
    WriteRaw(false, std::nullopt);
    EXPECT_TRUE(PathVariable::Add(L"C:\\RqPathTest\\Fresh", false));
    EXPECT_EQ(ReadRaw(false), TextValue(REG_SZ, L"C:\\RqPathTest\\Fresh"));
}

TEST_F(PathVariableWin32Test, AddThenRemoveLeavesAnExpandableUserPathByteIdentical) {
    const RawValue original = TextValue(REG_EXPAND_SZ, L"%USERPROFILE%\\bin;C:\\Tools;%SystemRoot%\\system32");
    WriteRaw(false, original);

    ASSERT_TRUE(PathVariable::Add(L"C:\\RqPathTest\\Round Trip", false));
    EXPECT_EQ(
        ReadRaw(false),
        TextValue(REG_EXPAND_SZ, L"%USERPROFILE%\\bin;C:\\Tools;%SystemRoot%\\system32;C:\\RqPathTest\\Round Trip"));

    PathVariable::Remove(L"C:\\RqPathTest\\Round Trip", false);
    EXPECT_EQ(ReadRaw(false), original);
}

TEST_F(PathVariableWin32Test, AddThenRemoveLeavesTheMachinePathByteIdentical) {
    const std::optional<RawValue> original = ReadRaw(true);
    ASSERT_TRUE(original.has_value());
    ASSERT_TRUE(PathVariable::Add(L"C:\\RqPathTest\\Machine", true));
    EXPECT_NE(ReadRaw(true), original);
    PathVariable::Remove(L"C:\\RqPathTest\\Machine", true);
    EXPECT_EQ(ReadRaw(true), original);
}

TEST_F(PathVariableWin32Test, AddOfAPresentDirectoryWritesNothing) {
    wchar_t profile[MAX_PATH] = {};
    ASSERT_NE(GetEnvironmentVariableW(L"USERPROFILE", profile, MAX_PATH), 0u);
    const RawValue original = TextValue(REG_EXPAND_SZ, L"C:\\A;  c:\\rqpathtest\\present\\ ;%USERPROFILE%\\RqBin");
    const std::wstring presentForms[] = {L"C:\\RqPathTest\\Present", L"C:\\RQPATHTEST\\PRESENT\\",
                                         std::wstring(profile) + L"\\RqBin"};
    for (const std::wstring& dir : presentForms) {
        WriteRaw(false, original);
        EXPECT_FALSE(PathVariable::Add(dir, false)) << dir;
        EXPECT_EQ(ReadRaw(false), original) << dir;
    }
}

TEST_F(PathVariableWin32Test, AddDropsTrailingSeparatorsBeforeAppending) {
    WriteRaw(false, TextValue(REG_SZ, L"C:\\A;;"));
    EXPECT_TRUE(PathVariable::Add(L"C:\\RqPathTest\\Trailing", false));
    EXPECT_EQ(ReadRaw(false), TextValue(REG_SZ, L"C:\\A;C:\\RqPathTest\\Trailing"));
}

TEST_F(PathVariableWin32Test, RemoveDropsEveryMatchAndEmptyEntries) {
    WriteRaw(false, TextValue(REG_EXPAND_SZ, L"C:\\RqPathTest\\Twice;%USERPROFILE%;;c:\\rqpathtest\\twice\\"));
    PathVariable::Remove(L"C:\\RqPathTest\\Twice", false);
    EXPECT_EQ(ReadRaw(false), TextValue(REG_EXPAND_SZ, L"%USERPROFILE%"));
}

TEST_F(PathVariableWin32Test, RemoveOfTheOnlyEntryDeletesTheVariable) {
    WriteRaw(false, TextValue(REG_SZ, L"C:\\RqPathTest\\Only"));
    PathVariable::Remove(L"C:\\RqPathTest\\Only", false);
    EXPECT_EQ(ReadRaw(false), std::nullopt);
}

TEST_F(PathVariableWin32Test, RemoveWithoutAVariableWritesNothing) {
    WriteRaw(false, std::nullopt);
    PathVariable::Remove(L"C:\\RqPathTest\\Missing", false);
    EXPECT_EQ(ReadRaw(false), std::nullopt);
    WriteRaw(false, TextValue(REG_EXPAND_SZ, L""));
    PathVariable::Remove(L"C:\\RqPathTest\\Missing", false);
    EXPECT_EQ(ReadRaw(false), TextValue(REG_EXPAND_SZ, L""));
}

// Receives the settings broadcast that tells running programs to read the environment again.
std::vector<std::wstring> settingChanges;

LRESULT CALLBACK RecordSettingChange(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETTINGCHANGE && lParam != 0)
        settingChanges.emplace_back(reinterpret_cast<const wchar_t*>(lParam));
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST_F(PathVariableWin32Test, EveryWriteBroadcastsTheEnvironmentChange) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = RecordSettingChange;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"RqPathVariableBroadcastProbe";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                  windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    settingChanges.clear();

    WriteRaw(false, TextValue(REG_SZ, L"C:\\A"));
    ASSERT_TRUE(PathVariable::Add(L"C:\\RqPathTest\\Broadcast", false));
    PathVariable::Remove(L"C:\\RqPathTest\\Broadcast", false);
    DestroyWindow(window);
    EXPECT_EQ(settingChanges, (std::vector<std::wstring>{L"Environment", L"Environment"}));
}

}  // namespace
}  // namespace Ravenquill::Core
