#pragma once
// The built installer run as a separate process, as a script would run it: its standard output
// and error going to files, its exit code waited for.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/common/system_text_win32.h"
#include "core/engine/install_test_support.h"

namespace Ravenquill::Core::Testing {

inline fs::path FromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) ADD_FAILURE() << name << " is not set";
    return value != nullptr ? fs::path(value) : fs::path();
}

inline std::string TestName() { return testing::UnitTest::GetInstance()->current_test_info()->name(); }

struct Finished {
    DWORD ExitCode = 0xFFFFFFFF;
    std::string Out;
    std::string Err;
};

class InheritedFile {
public:
    // Deletable while open: the hidden command processor of a self-deletion holds the uninstaller's
    // standard handles for a few seconds more.
    explicit InheritedFile(const fs::path& path) : path_(path) {
        SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
        handle_ = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(handle_, INVALID_HANDLE_VALUE) << path;
    }
    ~InheritedFile() {
        CloseHandle(handle_);
        std::error_code ignored;
        fs::remove(path_, ignored);
    }
    InheritedFile(const InheritedFile&) = delete;
    InheritedFile& operator=(const InheritedFile&) = delete;
    HANDLE Handle() const { return handle_; }
    std::string Text() const { return ReadText(path_); }

private:
    fs::path path_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

inline std::wstring Quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
    return L"\"" + argument + L"\"";
}

// Starts the program as a script would, with its standard output and error going to files, and
// waits for it.
inline Finished RunProgram(const fs::path& program, const std::vector<std::wstring>& arguments) {
    const fs::path base = fs::temp_directory_path() / ("RqInstallerRun-" + TestName());
    Finished result;
    {
        InheritedFile out(base.string() + ".out");
        InheritedFile err(base.string() + ".err");
        std::wstring commandLine = Quoted(program.wstring());
        for (const std::wstring& argument : arguments) commandLine += L" " + Quoted(argument);
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = nullptr;
        startup.hStdOutput = out.Handle();
        startup.hStdError = err.Handle();
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                            program.parent_path().c_str(), &startup, &process)) {
            ADD_FAILURE() << "cannot start " << program << ": error " << GetLastError();
            return result;
        }
        EXPECT_EQ(WaitForSingleObject(process.hProcess, 120'000), WAIT_OBJECT_0) << program << " did not end";
        GetExitCodeProcess(process.hProcess, &result.ExitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        result.Out = out.Text();
        result.Err = err.Text();
    }
    return result;
}

// Another program holding the file open without sharing it, for as long as the object lives: the
// helper "hold-file.exe" beside the test executable. Its process ends with the object.
class HeldFile {
public:
    explicit HeldFile(const fs::path& path) {
        const fs::path helper = fs::path(ModuleFileName()).parent_path() / L"hold-file.exe";
        std::wstring commandLine = Quoted(helper.wstring()) + L" " + Quoted(path.wstring()) + L" 120";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(helper.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process)) {
            ADD_FAILURE() << "cannot start " << helper << ": error " << GetLastError();
            return;
        }
        CloseHandle(process.hThread);
        process_ = process.hProcess;
        // Held once nobody else may open it any more.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
            const HANDLE probe = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (probe == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION) {
                held_ = true;
                return;
            }
            if (probe != INVALID_HANDLE_VALUE) CloseHandle(probe);
            Sleep(50);
        }
        ADD_FAILURE() << path << " was not held";
    }
    ~HeldFile() {
        if (process_ == nullptr) return;
        TerminateProcess(process_, 0);
        WaitForSingleObject(process_, 10'000);
        CloseHandle(process_);
    }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    bool Held() const { return held_; }

private:
    HANDLE process_ = nullptr;
    bool held_ = false;
};

}  // namespace Ravenquill::Core::Testing
