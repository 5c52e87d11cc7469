// A side manifest that exists but cannot be read: the failure reaches the caller, it does not
// quietly become the defaults.
#include <windows.h>

#include <gtest/gtest.h>

#include "core/common/errors.h"
#include "core/common/unique_handle.h"
#include "core/model/install_manifest.h"
#include "support/fake_host.h"
#include "support/temp_folder.h"

namespace Ravenquill::Core {
namespace {

TEST(ManifestLoadWin32, LockedSideFileReachesTheCaller) {
    Testing::TempFolder dir;
    dir.Write("installer.json", "{\"productName\": \"Locked\"}");
    Testing::FakeHost host(dir.Path() + L"\\installer.exe");
    ScopedHost scope(host);
    const std::wstring path = dir.Path() + L"\\installer.json";
    {
        // Opened without sharing: every other open fails with a sharing violation.
        const UniqueFileHandle locked(
            CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(locked);
        EXPECT_THROW(InstallManifest::Load(), SharingViolationException);
    }
    EXPECT_EQ(InstallManifest::Load().ProductName, L"Locked");
}

}  // namespace
}  // namespace Ravenquill::Core
