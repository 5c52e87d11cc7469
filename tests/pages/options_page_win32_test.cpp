// The options page's free space with the failures the machine itself gives.
#include <gtest/gtest.h>

#include "core/common/errors.h"
#include "pages/options_page.h"
#include "shell/shell_platform.h"
#include "support/page_fixture.h"

namespace Ravenquill::Pages {
namespace {

// A device path has no volume to measure: the platform answers with a code that names no file
// error of its own (ERROR_INVALID_FUNCTION), which is an input/output failure all the same.
TEST(OptionsPageWin32, FreeSpaceOfADeviceFolderIsADash) {
    Testing::PageFixture f;
    auto page = std::make_shared<OptionsPage>(*f.Wizard);
    f.Wizard->Settings.InstallDir = L"\\\\.\\nul\\App";
    f.Platform->FreeBytesFailure = std::make_exception_ptr(InvalidOperationException(L"not asked yet"));
    try {
        page->GetFreeSpaceText();
    } catch (const InvalidOperationException&) {
    }
    ASSERT_EQ(f.Platform->FreeSpaceRoots.size(), 1u);
    const std::wstring root = f.Platform->FreeSpaceRoots[0];

    // The machine's own answer for that root, handed to the page.
    std::exception_ptr failure;
    try {
        Shell::ShellPlatform::System()->FreeBytesAvailable(root);
    } catch (...) {
        failure = std::current_exception();
    }
    ASSERT_TRUE(failure) << "the device root has free space";
    EXPECT_THROW(std::rethrow_exception(failure), IOException);
    f.Platform->FreeBytesFailure = failure;
    EXPECT_EQ(page->GetFreeSpaceText(), L"—");
}

}  // namespace
}  // namespace Ravenquill::Pages
