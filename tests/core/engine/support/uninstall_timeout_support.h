#pragma once
// The test prefix has no "timeout.exe", which the self-deletion command runs: a stand-in built with
// the engine tests is copied into the prefix's system directory, where the command processor finds
// it.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>

namespace Ravenquill::Core::Testing {

inline void ProvideTimeout() {
    wchar_t systemDir[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryW(systemDir, MAX_PATH), 0u);
    const std::filesystem::path installed = std::filesystem::path(systemDir) / L"timeout.exe";
    if (std::filesystem::exists(installed)) return;
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::filesystem::copy_file(std::filesystem::path(self).parent_path() / L"timeout.exe", installed);
}

}  // namespace Ravenquill::Core::Testing
