#include "ui/font_fallback.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace Ravenquill::Ui {
namespace {

TEST(FontFallback, AMissingFamilyFallsBackToTheFirstInstalledChoice) {
    struct Case {
        std::set<std::wstring> installed;
        std::optional<std::wstring> first;
        std::wstring expected;
    };
    const std::wstring wanted = L"Segoe UI Variable Text";
    const Case cases[] = {
        {{wanted, L"Segoe UI", L"Tahoma"}, L"Arial", wanted},
        {{L"Segoe UI", L"Tahoma"}, L"Arial", L"Segoe UI"},         // Windows 10
        {{L"Tahoma", L"DejaVu Sans"}, L"DejaVu Sans", L"Tahoma"},  // a plain Wine prefix
        {{L"DejaVu Sans"}, L"DejaVu Sans", L"DejaVu Sans"},
        {{}, std::nullopt, wanted},  // nothing to choose from: left to the platform
    };
    for (const Case& c : cases) {
        int firstAsked = 0;
        const std::wstring chosen = ChooseFontFamily(
            wanted, [&](const std::wstring& name) { return c.installed.count(name) > 0; },
            [&] {
                ++firstAsked;
                return c.first;
            });
        EXPECT_EQ(chosen, c.expected);
        // The collection's first family is looked up only when no named choice is installed.
        EXPECT_EQ(firstAsked > 0, c.installed.count(wanted) == 0 && c.installed.count(L"Segoe UI") == 0 &&
                                      c.installed.count(L"Tahoma") == 0);
    }
}

}  // namespace
}  // namespace Ravenquill::Ui
