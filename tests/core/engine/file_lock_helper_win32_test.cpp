// The helper processes of the file lock tests. A copy of the test executable started with
// "--file-lock-helper" runs the helper before any test starts and never reaches the test main.
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>
#include <tlhelp32.h>

#include <atomic>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "core/common/unique_handle.h"
#include "core/engine/file_lock_test_helper.h"

namespace Ravenquill::Core::FileLockTest {
namespace {

constexpr wchar_t HelperSwitch[] = L"--file-lock-helper";
constexpr UINT Lifetime = 60'000;
constexpr DWORD ReadyWait = 20'000;

const wchar_t* ModeName(HelperMode mode) {
    switch (mode) {
        case HelperMode::Hold:
            return L"hold";
        case HelperMode::Window:
            return L"window";
        case HelperMode::DisabledWindow:
            return L"disabled-window";
        case HelperMode::StubbornWindow:
            return L"stubborn-window";
        case HelperMode::Sleep:
            return L"sleep";
        case HelperMode::Parent:
            return L"parent";
        case HelperMode::Exit:
            return L"exit";
    }
    return L"";
}

std::wstring OwnExecutable() {
    std::wstring buffer(32768, L'\0');
    DWORD size = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    buffer.resize(size);
    return buffer;
}

std::wstring UniqueName(const wchar_t* kind) {
    static std::atomic<unsigned> counter = 0;
    return std::wstring(L"rq-file-lock-") + kind + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(++counter) + L"-" + std::to_wstring(GetTickCount64());
}

// Ends every helper when the test process ends, however it ends.
HANDLE HelperJob() {
    static HANDLE job = [] {
        HANDLE created = CreateJobObjectW(nullptr, nullptr);
        if (created) {
            JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
            limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
            SetInformationJobObject(created, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
        }
        return created;
    }();
    return job;
}

// Starts the executable with the arguments; answers the process handle and id. A helper's own
// child is already in the test's job by inheritance: a job of the helper's would end the child
// together with the helper.
std::pair<UniqueHandle, DWORD> Launch(const std::wstring& exe, const std::wstring& arguments, bool inJob) {
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                        &startup, &info)) {
        throw std::runtime_error("CreateProcessW failed: " + std::to_string(GetLastError()));
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    // Without a job (some platforms refuse nesting) the helper's own lifetime still ends it.
    if (HANDLE job = inJob ? HelperJob() : nullptr) AssignProcessToJobObject(job, process.get());
    ResumeThread(thread.get());
    return {std::move(process), info.dwProcessId};
}

void SignalReady(const wchar_t* eventName) {
    UniqueHandle ready(OpenEventW(EVENT_MODIFY_STATE, FALSE, eventName));
    if (ready) SetEvent(ready.get());
}

LRESULT CALLBACK HelperWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE:
            if (GetWindowLongPtrW(window, GWLP_USERDATA) != 0) return 0;  // stubborn
            break;
        case WM_DESTROY:
            PostQuitMessage(static_cast<int>(ClosedExitCode));
            return 0;
        case WM_TIMER:
            ExitProcess(ExpiredExitCode);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

[[noreturn]] void RunWindow(const wchar_t* ready, bool disabled, bool stubborn) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = HelperWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"RavenquillFileLockHelper";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"File lock helper", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  0, 0, 200, 100, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!window) ExitProcess(10);
    SetWindowLongPtrW(window, GWLP_USERDATA, stubborn ? 1 : 0);
    if (disabled) EnableWindow(window, FALSE);
    SetTimer(window, 1, Lifetime, nullptr);
    SignalReady(ready);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    ExitProcess(static_cast<UINT>(message.wParam));
}

[[noreturn]] void RunHelper(int argc, wchar_t** argv) {
    const wchar_t* ready = argv[2];
    const std::wstring mode = argv[3];
    if (mode == L"window") RunWindow(ready, false, false);
    if (mode == L"disabled-window") RunWindow(ready, true, false);
    if (mode == L"stubborn-window") RunWindow(ready, false, true);
    if (mode == L"exit") {
        SignalReady(ready);
        ExitProcess(ClosedExitCode);
    }
    UniqueFileHandle held;
    if (mode == L"hold") {
        if (argc < 5) ExitProcess(11);
        held.reset(CreateFileW(argv[4], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                               nullptr));
        if (!held) ExitProcess(12);
    }
    UniqueHandle child;
    if (mode == L"parent") {
        std::wstring childReady = std::wstring(ready) + L"-child";
        UniqueHandle childEvent(CreateEventW(nullptr, TRUE, FALSE, childReady.c_str()));
        auto [process, id] = Launch(OwnExecutable(), std::wstring(HelperSwitch) + L" " + childReady + L" sleep", false);
        child = std::move(process);
        if (WaitForSingleObject(childEvent.get(), ReadyWait) != WAIT_OBJECT_0) ExitProcess(13);
    }
    SignalReady(ready);
    Sleep(Lifetime);
    ExitProcess(ExpiredExitCode);
}

// Runs before the test main: a helper copy never starts the tests.
const bool isTestProcess = [] {
    int argc = 0;
    const UniqueLocalMemory<LPWSTR> argv(CommandLineToArgvW(GetCommandLineW(), &argc));
    if (argv && argc >= 4 && std::wstring_view(argv.get()[1]) == HelperSwitch) RunHelper(argc, argv.get());
    return true;
}();

}  // namespace

HelperProcess::HelperProcess(const std::wstring& exePath, HelperMode mode, const std::wstring& argument) {
    (void)isTestProcess;
    std::filesystem::create_directories(std::filesystem::path(exePath).parent_path());
    if (!CopyFileW(OwnExecutable().c_str(), exePath.c_str(), FALSE)) {
        throw std::runtime_error("CopyFileW failed: " + std::to_string(GetLastError()));
    }
    const std::wstring readyName = UniqueName(L"ready");
    UniqueHandle ready(CreateEventW(nullptr, TRUE, FALSE, readyName.c_str()));
    std::wstring arguments = std::wstring(HelperSwitch) + L" " + readyName + L" " + ModeName(mode);
    if (!argument.empty()) arguments += L" \"" + argument + L"\"";
    auto [process, id] = Launch(exePath, arguments, true);
    process_ = std::move(process);
    id_ = id;
    HANDLE handles[] = {ready.get(), process_.get()};
    if (WaitForMultipleObjects(2, handles, FALSE, ReadyWait) != WAIT_OBJECT_0) {
        TerminateProcess(process_.get(), 99);
        throw std::runtime_error("the helper did not become ready");
    }
}

HelperProcess::~HelperProcess() {
    if (!process_) return;
    for (DWORD child : ChildProcessIds(id_)) {
        UniqueHandle handle(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, child));
        if (handle) {
            TerminateProcess(handle.get(), 98);
            WaitForSingleObject(handle.get(), 5000);
        }
    }
    if (IsRunning()) TerminateProcess(process_.get(), 98);
    WaitForSingleObject(process_.get(), 5000);
}

bool HelperProcess::IsRunning() const { return WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }

bool HelperProcess::WaitForExit(std::chrono::milliseconds timeout) const {
    return WaitForSingleObject(process_.get(), static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

std::optional<DWORD> HelperProcess::ExitCode() const {
    DWORD code = 0;
    if (IsRunning() || !GetExitCodeProcess(process_.get(), &code)) return std::nullopt;
    return code;
}

std::vector<DWORD> ChildProcessIds(DWORD parentId) {
    std::vector<DWORD> children;
    UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return children;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ParentProcessID == parentId) children.push_back(entry.th32ProcessID);
    }
    return children;
}

}  // namespace Ravenquill::Core::FileLockTest
