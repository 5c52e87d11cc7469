#pragma once
// The test prefix has no "timeout.exe", which the self-deletion command runs: a stand-in built with
// the engine tests is copied into the prefix's system directory, where the command processor finds
// it.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "core/common/system_text_win32.h"

namespace Ravenquill::Core::Testing {

inline void ProvideTimeout() {
    const std::filesystem::path installed = std::filesystem::path(SystemDirectory()) / L"timeout.exe";
    if (std::filesystem::exists(installed)) return;
    std::filesystem::copy_file(std::filesystem::path(ModuleFileName()).parent_path() / L"timeout.exe", installed);
}

}  // namespace Ravenquill::Core::Testing
