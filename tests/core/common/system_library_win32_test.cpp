#include "core/common/system_library_win32.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/common/system_text_win32.h"

namespace Ravenquill {
namespace {

// A loader that fails each request with the code given, or forwards it to the system's loader,
// and keeps what it was asked.
struct RecordingLoader {
    static inline std::vector<std::pair<std::wstring, DWORD>> Asked;
    // Windows 7 without its loader update refuses the search flags as an invalid parameter.
    static inline DWORD RefuseSearchFlagsWith = ERROR_INVALID_PARAMETER;

    static HMODULE WINAPI Load(LPCWSTR file, HANDLE reserved, DWORD flags) {
        Asked.emplace_back(file, flags);
        if ((flags & LOAD_LIBRARY_SEARCH_SYSTEM32) != 0 && RefuseSearchFlagsWith != ERROR_SUCCESS) {
            SetLastError(RefuseSearchFlagsWith);
            return nullptr;
        }
        return LoadLibraryExW(file, reserved, flags);
    }
};

TEST(SystemLibraryTest, ALoaderWithoutTheSearchFlagsLoadsTheFullPathInTheSystemDirectory) {
    struct Case {
        DWORD refusal;
        bool loaded;
        std::size_t asked;
    };
    const Case cases[] = {
        {ERROR_SUCCESS, true, 1},            // the extended search: one request
        {ERROR_INVALID_PARAMETER, true, 2},  // no such flags: the full path, once
        {ERROR_MOD_NOT_FOUND, false, 1},     // any other refusal stands
    };
    for (const Case& c : cases) {
        RecordingLoader::Asked.clear();
        RecordingLoader::RefuseSearchFlagsWith = c.refusal;
        // The lock dialog names the programs holding a file through this DLL.
        const UniqueHModule module = LoadSystemLibrary(L"rstrtmgr.dll", RecordingLoader::Load);
        EXPECT_EQ(static_cast<bool>(module), c.loaded) << c.refusal;
        if (module) {
            EXPECT_NE(GetProcAddress(module.get(), "RmStartSession"), nullptr);
        }
        ASSERT_EQ(RecordingLoader::Asked.size(), c.asked) << c.refusal;
        EXPECT_EQ(RecordingLoader::Asked[0],
                  std::make_pair(std::wstring(L"rstrtmgr.dll"), static_cast<DWORD>(LOAD_LIBRARY_SEARCH_SYSTEM32)));
        if (c.asked == 2) {
            EXPECT_EQ(RecordingLoader::Asked[1], std::make_pair(SystemDirectory() + L"\\rstrtmgr.dll",
                                                                static_cast<DWORD>(LOAD_WITH_ALTERED_SEARCH_PATH)));
        }
    }
}

TEST(SystemLibraryTest, ADllPlantedBesideTheProgramIsNeverLoaded) {
    const std::wstring program = ModuleFileName();
    const std::wstring planted = program.substr(0, program.find_last_of(L'\\') + 1) + L"rq-planted.dll";
    ASSERT_TRUE(CopyFileW((SystemDirectory() + L"\\rstrtmgr.dll").c_str(), planted.c_str(), FALSE));
    EXPECT_FALSE(LoadSystemLibrary(L"rq-planted.dll"));
    {
        // The ordinary search would take it from beside the program.
        const UniqueHModule ordinary(LoadLibraryW(L"rq-planted.dll"));
        EXPECT_TRUE(ordinary);
    }
    EXPECT_TRUE(DeleteFileW(planted.c_str()));
}

}  // namespace
}  // namespace Ravenquill
