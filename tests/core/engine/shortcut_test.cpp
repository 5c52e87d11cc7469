#include "core/engine/platform/shortcut.h"

#include <gtest/gtest.h>

#include "core/common/errors.h"
#include "core/common/hresult.h"

namespace Ravenquill::Core {
namespace {

std::wstring FailureMessage(std::int32_t hr) {
    try {
        Shortcut::ThrowIfFailed(hr);
    } catch (const InvalidOperationException& e) {
        return e.Message();
    }
    return L"(nothing thrown)";
}

TEST(ShortcutTest, FailureCodesBecomeInvalidOperationWithTheCodeInUpperCaseHex) {
    EXPECT_EQ(FailureMessage(static_cast<std::int32_t>(0x80070005u)), L"Ошибка при создании ярлыка: 0x80070005");
    EXPECT_EQ(FailureMessage(static_cast<std::int32_t>(0x800401F0u)), L"Ошибка при создании ярлыка: 0x800401F0");
    EXPECT_EQ(FailureMessage(-1), L"Ошибка при создании ярлыка: 0xFFFFFFFF");
    EXPECT_NO_THROW(Shortcut::ThrowIfFailed(0));
    EXPECT_NO_THROW(Shortcut::ThrowIfFailed(1));  // S_FALSE is a success
    EXPECT_EQ(HResultText(0x1A), L"0000001A");
}

TEST(ShortcutTest, DescriptionIsCutToTwoHundredFiftyCharacters) {
    EXPECT_EQ(Shortcut::DescriptionFor(std::wstring(251, L'я')), std::wstring(250, L'я'));
    EXPECT_EQ(Shortcut::DescriptionFor(std::wstring(250, L'x')), std::wstring(250, L'x'));
    EXPECT_EQ(Shortcut::DescriptionFor(L"Short"), L"Short");
}

TEST(ShortcutTest, WorkingDirectoryDefaultsToTheTargetsFolder) {
    EXPECT_EQ(Shortcut::WorkingDirectoryFor(L"C:\\Apps\\X\\x.exe", std::nullopt), L"C:\\Apps\\X");
    EXPECT_EQ(Shortcut::WorkingDirectoryFor(L"C:\\Apps\\X\\x.exe", std::wstring(L"D:\\Work")), L"D:\\Work");
    EXPECT_EQ(Shortcut::WorkingDirectoryFor(L"C:\\Apps\\X\\x.exe", std::wstring()), L"");
    EXPECT_EQ(Shortcut::WorkingDirectoryFor(L"x.exe", std::nullopt), L"");
}

}  // namespace
}  // namespace Ravenquill::Core
