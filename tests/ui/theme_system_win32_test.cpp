#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "core/common/unique_handle.h"
#include "ui/theme.h"

namespace Ravenquill::Ui {
namespace {

constexpr wchar_t PersonalizeKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
constexpr wchar_t LightValue[] = L"AppsUseLightTheme";

// Gives each test the Personalize key to itself and puts back what the prefix held.
class SystemThemeSetting : public ::testing::Test {
protected:
    void SetUp() override {
        HKEY raw = nullptr;
        keyExisted_ = RegOpenKeyExW(HKEY_CURRENT_USER, PersonalizeKey, 0, KEY_READ, &raw) == ERROR_SUCCESS;
        if (keyExisted_) {
            UniqueHKey existing(raw);
            DWORD type = 0;
            DWORD size = 0;
            if (RegQueryValueExW(existing.get(), LightValue, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
                saved_.emplace(size);
                savedType_ = type;
                RegQueryValueExW(existing.get(), LightValue, nullptr, &type, saved_->data(), &size);
            }
        }
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, PersonalizeKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                                  key_.put(), nullptr),
                  ERROR_SUCCESS);
        RegDeleteValueW(key_.get(), LightValue);
    }

    void TearDown() override {
        RegDeleteValueW(key_.get(), LightValue);
        if (saved_)
            RegSetValueExW(key_.get(), LightValue, 0, savedType_, saved_->data(), static_cast<DWORD>(saved_->size()));
        key_.reset();
        if (!keyExisted_) RegDeleteKeyW(HKEY_CURRENT_USER, PersonalizeKey);
    }

    void Set(DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(RegSetValueExW(key_.get(), LightValue, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    }

    UniqueHKey key_;

private:
    bool keyExisted_ = false;
    std::optional<std::vector<BYTE>> saved_;
    DWORD savedType_ = REG_NONE;
};

TEST_F(SystemThemeSetting, OnlyANonZeroDwordMeansLight) {
    const DWORD zero = 0, one = 1, seven = 7;
    const std::uint64_t qwordOne = 1;
    const wchar_t stringOne[] = L"1";
    const BYTE binaryOne[] = {1, 0, 0, 0};
    struct Case {
        const char* Name;
        DWORD Type;
        const void* Data;
        DWORD Size;
        bool Light;
    };
    const Case cases[] = {
        {"dword 0", REG_DWORD, &zero, sizeof zero, false},
        {"dword 1", REG_DWORD, &one, sizeof one, true},
        {"dword 7", REG_DWORD, &seven, sizeof seven, true},
        {"string 1", REG_SZ, stringOne, sizeof stringOne, false},
        {"qword 1", REG_QWORD, &qwordOne, sizeof qwordOne, false},
        {"binary 1", REG_BINARY, binaryOne, sizeof binaryOne, false},
    };
    for (const Case& c : cases) {
        Set(c.Type, c.Data, c.Size);
        EXPECT_EQ(SystemTheme::AppsUseLightTheme(), c.Light) << c.Name;
        EXPECT_EQ(Theme::Resolve(ThemeMode::Auto).IsLight, c.Light) << c.Name;
        EXPECT_EQ(Theme::Resolve(ThemeMode::Auto).Background, c.Light ? 0xFFFCFCFDu : 0xFF17181Cu) << c.Name;
    }
}

TEST_F(SystemThemeSetting, AMissingValueMeansDark) {
    EXPECT_FALSE(SystemTheme::AppsUseLightTheme());
    EXPECT_FALSE(Theme::Resolve(ThemeMode::Auto).IsLight);
}

TEST_F(SystemThemeSetting, ExplicitModesIgnoreTheSetting) {
    const DWORD one = 1;
    Set(REG_DWORD, &one, sizeof one);
    EXPECT_FALSE(Theme::Resolve(ThemeMode::Dark).IsLight);
    EXPECT_TRUE(Theme::Resolve(ThemeMode::Light).IsLight);
    // A mode outside the enumeration follows the system, as Auto does.
    EXPECT_TRUE(SystemTheme::IsLight(static_cast<ThemeMode>(9)));
}

TEST_F(SystemThemeSetting, AMissingKeyMeansDark) {
    DWORD subKeys = 0, values = 0;
    ASSERT_EQ(RegQueryInfoKeyW(key_.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    if (subKeys != 0 || values != 0) GTEST_SKIP() << "the prefix keeps other personalisation settings";
    key_.reset();
    ASSERT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, PersonalizeKey), ERROR_SUCCESS);
    EXPECT_FALSE(SystemTheme::AppsUseLightTheme());
    EXPECT_FALSE(Theme::Resolve(ThemeMode::Auto).IsLight);
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, PersonalizeKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                              key_.put(), nullptr),
              ERROR_SUCCESS);
}

}  // namespace
}  // namespace Ravenquill::Ui
