#include "core/common/system_text_win32.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/common/com_apartment_win32.h"
#include "core/common/command_line_win32.h"
#include "core/common/errors.h"
#include "core/common/registry_win32.h"
#include "core/common/unique_handle.h"

namespace Ravenquill {
namespace {

TEST(SystemTextTest, NamedCallsGiveTheSystemsTexts) {
    const std::wstring system = SystemDirectory();
    EXPECT_FALSE(system.empty());
    EXPECT_NE(system.back(), L'\0');
    EXPECT_TRUE(ModuleFileName().ends_with(L".exe"));
    EXPECT_TRUE(TempPath().ends_with(L"\\"));
    EXPECT_EQ(FullPathName(L"C:\\a\\..\\b\\.\\c"), L"C:\\b\\c");
    EXPECT_EQ(ExpandEnvironmentText(L""), std::wstring());
    EXPECT_EQ(ExpandEnvironmentText(L"%SystemRoot%\\x").value_or(L"").size() > 2, true);
    EXPECT_EQ(ExpandEnvironmentText(L"%RQ_SURELY_UNDEFINED%"), std::wstring(L"%RQ_SURELY_UNDEFINED%"));
    // A path longer than MAX_PATH, so the call asks for more room.
    const std::wstring deep = L"C:\\" + std::wstring(300, L'd') + L"\\file";
    EXPECT_EQ(FullPathName(deep), deep);
    EXPECT_EQ(LongPathName(system), system);
    EXPECT_EQ(LongPathName(L"C:\\rq-surely-missing\\x"), std::nullopt);
    const std::optional<std::wstring> self = ProcessImagePath(GetCurrentProcess());
    ASSERT_TRUE(self);
    EXPECT_TRUE(self->ends_with(L".exe"));
}

TEST(SystemTextTest, CommandLinesSplitAsTheSystemSplitsThem) {
    EXPECT_EQ(SplitCommandLine(L"\"C:\\Program Files\\a.exe\" /S \"--dir=C:\\x y\""),
              (std::vector<std::wstring>{L"C:\\Program Files\\a.exe", L"/S", L"--dir=C:\\x y"}));
    EXPECT_EQ(ProcessArguments().size() + 1, SplitCommandLine(GetCommandLineW()).size());
}

TEST(RegistryTest, TextValuesAreReadWithTheirKindAndOthersAreNot) {
    const wchar_t* keyPath = L"Software\\RavenquillTests\\RegistryString";
    UniqueHKey key;
    ASSERT_EQ(RegCreateKeyExW(Hive(false), keyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    const std::wstring text = L"%SystemRoot%\\x";
    RegSetValueExW(key.get(), L"Expand", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    // Stored without its terminator, as some writers leave it.
    RegSetValueExW(key.get(), L"Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"abc"), 3 * sizeof(wchar_t));
    const DWORD number = 7;
    RegSetValueExW(key.get(), L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));

    const std::optional<RegistryString> expand = ReadRegistryString(key.get(), L"Expand");
    ASSERT_TRUE(expand);
    EXPECT_EQ(expand->Text, text);
    EXPECT_EQ(expand->Kind, static_cast<DWORD>(REG_EXPAND_SZ));
    const std::optional<RegistryString> bare = ReadRegistryString(key.get(), L"Bare");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->Text, L"abc");
    EXPECT_EQ(bare->Kind, static_cast<DWORD>(REG_SZ));
    EXPECT_FALSE(ReadRegistryString(key.get(), L"Number"));
    EXPECT_FALSE(ReadRegistryString(key.get(), L"Missing"));
    // A key opened without the right to read its values: the registry's refusal is an exception.
    UniqueHKey writeOnly;
    ASSERT_EQ(RegOpenKeyExW(Hive(false), keyPath, 0, KEY_SET_VALUE, writeOnly.put()), ERROR_SUCCESS);
    EXPECT_THROW((void)ReadRegistryString(writeOnly.get(), L"Expand"), UnauthorizedAccessException);
    key.reset();
    RegDeleteKeyW(HKEY_CURRENT_USER, keyPath);
    EXPECT_EQ(Hive(true), HKEY_LOCAL_MACHINE);
}

TEST(ComApartmentTest, ATemporaryThreadEntersEitherKindAndKeepsTheOneItIsIn) {
    std::thread([] {
        {
            const ComApartment apartment(ApartmentKind::SingleThreaded);
            // The other kind is refused; the owner that asked for it stays on without entering.
            EXPECT_EQ(ComApartment::TryEnter(ApartmentKind::MultiThreaded), std::nullopt);
            EXPECT_NO_THROW(ComApartment(ApartmentKind::MultiThreaded));
            EXPECT_TRUE(ComApartment::TryEnter(ApartmentKind::SingleThreaded));
        }
        // Left: the thread may now enter the other kind.
        EXPECT_TRUE(ComApartment::TryEnter(ApartmentKind::MultiThreaded));
    }).join();
}

}  // namespace
}  // namespace Ravenquill
