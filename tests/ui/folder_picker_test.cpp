#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/common/path.h"
#include "ui/folder_picker.h"

namespace Ravenquill::Ui {
namespace {

TEST(FolderPicker, OpensInTheNearestExistingFolder) {
    const wchar_t sep = Path::Separator;
    const std::wstring root = std::wstring(L"") + sep + L"data";
    const std::wstring apps = root + sep + L"apps";
    const std::set<std::wstring> existing = {root, apps};
    const auto isDirectory = [&](const std::wstring& p) { return existing.count(p) != 0; };
    struct Case {
        std::optional<std::wstring> Path;
        std::wstring Expected;
    };
    const Case cases[] = {
        {apps, apps},
        {apps + sep + L"Product" + sep + L"bin", apps},  // the last two components do not exist
        {apps + sep + L"Product" + sep, apps},
        {std::wstring(L"   \t"), L""},  // blanks: where the system chooses
        {std::wstring(L""), L""},
        {std::nullopt, L""},
        {std::wstring(L"") + sep + L"nowhere" + sep + L"at all", L""},  // no parent exists
        {std::wstring(L"relative"), L""},                               // a bare name has no parent
    };
    for (const Case& c : cases) EXPECT_EQ(FolderDialog::NearestExistingFolder(c.Path, isDirectory), c.Expected);
}

}  // namespace
}  // namespace Ravenquill::Ui
