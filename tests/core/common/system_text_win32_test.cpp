#include "core/common/system_text_win32.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/common/com_apartment_win32.h"
#include "core/common/command_line_win32.h"
#include "core/common/registry_win32.h"
#include "core/common/unique_handle.h"

namespace Ravenquill {
namespace {

// A call that writes `text` the way the system's "length or size needed" calls do, counting its
// calls and the capacities it was given.
struct FakeCall {
    std::wstring Text;
    bool CutsShort = false;  // as GetModuleFileNameW: a full buffer instead of the size needed
    std::vector<std::size_t> Capacities;

    BufferCallResult operator()(wchar_t* buffer, std::size_t capacity) {
        Capacities.push_back(capacity);
        if (Text.size() < capacity) {
            Text.copy(buffer, Text.size());
            buffer[Text.size()] = L'\0';
            return Text.size();
        }
        if (CutsShort) return capacity;
        return Text.size() + 1;
    }
};

TEST(GrowingTextTest, GrowsToTheSizeAskedForOrDoublesACutShortText) {
    struct Case {
        std::size_t length;
        bool cutsShort;
        std::size_t capacity;
        std::vector<std::size_t> capacities;
    };
    const Case cases[] = {
        {0, false, 4, {4}},        // an empty text fits any buffer
        {3, false, 4, {4}},        // fits with its terminator
        {4, false, 4, {4, 5}},     // one more unit for the terminator
        {9, false, 4, {4, 10}},    // straight to the size asked for
        {9, true, 4, {4, 8, 16}},  // doubled until it fits
        {300, false, MAX_PATH, {MAX_PATH, 301}},
    };
    for (const Case& c : cases) {
        FakeCall call{std::wstring(c.length, L'x'), c.cutsShort, {}};
        const std::optional<std::wstring> text = GrowingText(std::ref(call), c.capacity);
        ASSERT_TRUE(text) << c.length;
        EXPECT_EQ(*text, std::wstring(c.length, L'x')) << c.length;
        EXPECT_EQ(call.Capacities, c.capacities) << c.length;
    }
}

TEST(GrowingTextTest, AFailedCallOrATextPastTheLimitGivesNothing) {
    EXPECT_EQ(GrowingText([](wchar_t*, std::size_t) -> BufferCallResult { return std::nullopt; }), std::nullopt);
    FakeCall call{std::wstring(40, L'x'), true, {}};
    EXPECT_EQ(GrowingText(std::ref(call), 4, 32), std::nullopt);
    EXPECT_EQ(call.Capacities, (std::vector<std::size_t>{4, 8, 16, 32}));
}

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

    RegistryString value;
    ASSERT_EQ(ReadRegistryString(key.get(), L"Expand", value), ERROR_SUCCESS);
    EXPECT_EQ(value.Text, text);
    EXPECT_EQ(value.Kind, static_cast<DWORD>(REG_EXPAND_SZ));
    ASSERT_EQ(ReadRegistryString(key.get(), L"Bare", value), ERROR_SUCCESS);
    EXPECT_EQ(value.Text, L"abc");
    EXPECT_EQ(value.Kind, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(ReadRegistryString(key.get(), L"Number", value), ERROR_UNSUPPORTED_TYPE);
    EXPECT_EQ(ReadRegistryString(key.get(), L"Missing", value), ERROR_FILE_NOT_FOUND);
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
