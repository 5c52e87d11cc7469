// The folder picker on Wine's common item dialog, driven by a watcher thread that finds the
// dialog's window and presses its buttons, over an owner window of the test's own thread.
#include <gtest/gtest.h>
#include <objbase.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "core/common/text.h"
#include "ui/folder_picker_win32.h"

namespace Ravenquill::Ui {
namespace {

using namespace std::chrono_literals;

struct FoundDialog {
    HWND Window = nullptr;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM param) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (process == GetCurrentProcessId() && std::wstring(className) == L"#32770" && IsWindowVisible(window)) {
        reinterpret_cast<FoundDialog*>(param)->Window = window;
        return FALSE;
    }
    return TRUE;
}

constexpr UINT Probe = WM_APP + 7;

// A plain window of the calling thread that counts the probe messages it is dispatched.
class OwnerWindow {
public:
    OwnerWindow() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (message == Probe) ++probes;
            return DefWindowProcW(window, message, wParam, lParam);
        };
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"RqPickerOwner";
        RegisterClassW(&windowClass);
        window_ = CreateWindowExW(0, L"RqPickerOwner", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 300,
                                  nullptr, nullptr, windowClass.hInstance, nullptr);
    }
    ~OwnerWindow() { DestroyWindow(window_); }
    HWND Handle() const { return window_; }
    static inline std::atomic<int> probes = 0;

private:
    HWND window_ = nullptr;
};

// Waits for the picker's window, remembers its thread, title and owner, whether the owner was
// disabled and kept dispatching its messages while the picker was open, and presses the button
// (for OK, with the folder the dialog has open as the choice).
struct Watcher {
    explicit Watcher(int button, HWND probed = nullptr) {
        thread = std::thread([this, button, probed] {
            for (auto end = std::chrono::steady_clock::now() + 30s; std::chrono::steady_clock::now() < end;) {
                FoundDialog found;
                EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&found));
                if (found.Window != nullptr) {
                    dialogThread = GetWindowThreadProcessId(found.Window, nullptr);
                    wchar_t text[128] = {};
                    GetWindowTextW(found.Window, text, 128);
                    title = text;
                    owner = GetWindow(found.Window, GW_OWNER);
                    std::this_thread::sleep_for(300ms);  // let the dialog finish opening its folder
                    if (probed != nullptr) {
                        ownerEnabled = IsWindowEnabled(probed) != FALSE;
                        const int before = OwnerWindow::probes;
                        PostMessageW(probed, Probe, 0, 0);
                        for (int i = 0; i < 100 && OwnerWindow::probes == before; ++i)
                            std::this_thread::sleep_for(50ms);
                        probeDispatched = OwnerWindow::probes > before;
                    }
                    if (button == IDOK) {
                        // "." in the name box chooses the folder the dialog has open.
                        HWND name = FindWindowExW(found.Window, nullptr, L"Edit", nullptr);
                        if (name != nullptr) SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"."));
                    }
                    PostMessageW(found.Window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
                    return;
                }
                std::this_thread::sleep_for(50ms);
            }
        });
    }
    ~Watcher() { Join(); }
    void Join() {
        if (thread.joinable()) thread.join();
    }
    std::thread thread;
    std::atomic<DWORD> dialogThread = 0;
    std::wstring title;
    HWND owner = nullptr;
    bool ownerEnabled = true;
    bool probeDispatched = false;
};

// Ends the test executable if the picker never returns, rather than hanging ctest.
struct Watchdog {
    Watchdog() {
        thread = std::thread([this] {
            for (int i = 0; i < 600 && !done; ++i) std::this_thread::sleep_for(100ms);
            if (!done) std::_Exit(3);
        });
    }
    ~Watchdog() {
        done = true;
        thread.join();
    }
    std::atomic<bool> done = false;
    std::thread thread;
};

std::filesystem::path MakeTempFolder(const wchar_t* name) {
    const auto path = std::filesystem::temp_directory_path() / name;
    std::filesystem::create_directories(path);
    return path;
}

TEST(FolderPickerDialog, CancelReturnsNothingAndTheDialogRanOnAHelperThreadModalToItsOwner) {
    const Watchdog watchdog;
    const OwnerWindow owner;
    ASSERT_NE(owner.Handle(), nullptr);
    std::optional<std::wstring> chosen;
    Watcher watcher(IDCANCEL, owner.Handle());
    chosen =
        FolderDialog::PickFolder(owner.Handle(), L"Выберите каталог установки", MakeTempFolder(L"rq-picker").wstring());
    watcher.Join();
    EXPECT_FALSE(chosen);
    ASSERT_NE(watcher.dialogThread, 0u) << "the picker never showed";
    EXPECT_NE(watcher.dialogThread, GetCurrentThreadId());
    EXPECT_EQ(watcher.title, L"Выберите каталог установки");
    // Modal to the owner, whose thread went on dispatching its messages meanwhile.
    EXPECT_EQ(watcher.owner, owner.Handle());
    EXPECT_FALSE(watcher.ownerEnabled) << "the owner takes no clicks while the picker is open";
    EXPECT_TRUE(watcher.probeDispatched) << "the caller stopped dispatching its messages";
    EXPECT_TRUE(IsWindowEnabled(owner.Handle())) << "enabled again once the picker closed";
}

TEST(FolderPickerDialog, OpensInTheNearestExistingFolderOfAMissingPath) {
    const Watchdog watchdog;
    const auto base = MakeTempFolder(L"rq-picker-base");
    std::filesystem::remove_all(base / L"Product");
    std::optional<std::wstring> chosen;
    {
        Watcher watcher(IDOK);
        chosen = FolderDialog::PickFolder(nullptr, std::nullopt, (base / L"Product" / L"bin").wstring());
    }
    ASSERT_TRUE(chosen);
    EXPECT_TRUE(std::filesystem::equivalent(*chosen, base)) << Text::ToUtf8(*chosen);
}

TEST(FolderPickerDialog, AnOddInitialPathStillShowsThePickerInItsNearestFolder) {
    const Watchdog watchdog;
    const auto base = MakeTempFolder(L"rq-picker-odd");
    const std::wstring inside = base.wstring() + L"\\";
    const std::wstring odd[] = {
        inside + std::wstring(300, L'x') + L'\0' + L"tail",  // too long to pass as it stands, and cut by U+0000
        inside + L"bad<>|name\\sub",
    };
    for (const std::wstring& path : odd) {
        std::optional<std::wstring> chosen;
        {
            Watcher watcher(IDOK);
            EXPECT_NO_THROW(chosen = FolderDialog::PickFolder(nullptr, std::nullopt, path));
        }
        ASSERT_TRUE(chosen) << "the picker never showed";
        EXPECT_TRUE(std::filesystem::equivalent(*chosen, base)) << Text::ToUtf8(*chosen);
    }
}

TEST(FolderPickerDialog, WorkRunsInASingleThreadedApartmentWhileTheCallerWaitsDispatching) {
    APTTYPE callerType{};
    APTTYPEQUALIFIER qualifier{};
    ASSERT_EQ(CoGetApartmentType(&callerType, &qualifier), S_OK);
    EXPECT_EQ(callerType, APTTYPE_MTA);

    APTTYPE helperType = APTTYPE_MTA;
    DWORD helperThread = GetCurrentThreadId();
    bool finished = false;
    EXPECT_TRUE(Detail::RunInSingleThreadedApartment([&] {
        CoGetApartmentType(&helperType, &qualifier);
        helperThread = GetCurrentThreadId();
        std::this_thread::sleep_for(200ms);
        finished = true;
    }));
    EXPECT_TRUE(finished);  // the caller was blocked until the work ended

    // A quit message the caller's wait took is still there for the caller's own loop.
    const DWORD caller = GetCurrentThreadId();
    EXPECT_TRUE(Detail::RunInSingleThreadedApartment([&] {
        PostThreadMessageW(caller, WM_QUIT, 7, 0);
        std::this_thread::sleep_for(200ms);
    }));
    MSG quit{};
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 7u);
    // The first single-threaded apartment of a process is its main one.
    EXPECT_TRUE(helperType == APTTYPE_STA || helperType == APTTYPE_MAINSTA) << helperType;
    EXPECT_NE(helperThread, GetCurrentThreadId());

    // An error of the work reaches the caller.
    EXPECT_THROW(Detail::RunInSingleThreadedApartment([] { throw std::bad_alloc(); }), std::bad_alloc);
}

// Holds the thread that leaves its apartment until the test lets it go, as the system did for
// about two seconds under Wine after the shell's dialog had closed.
class SlowUninitialize : public IInitializeSpy {
public:
    explicit SlowUninitialize(HANDLE release) : release_(release) {}
    std::atomic<bool> Entered = false;
    std::atomic<bool> WaitedInVain = false;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IInitializeSpy)) {
            *out = static_cast<IInitializeSpy*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE PreInitialize(DWORD, DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PostInitialize(HRESULT result, DWORD, DWORD) override { return result; }
    HRESULT STDMETHODCALLTYPE PreUninitialize(DWORD references) override {
        if (references == 1) {
            Entered = true;
            WaitedInVain = WaitForSingleObject(release_, 20'000) != WAIT_OBJECT_0;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PostUninitialize(DWORD) override { return S_OK; }

private:
    HANDLE release_;
};

TEST(FolderPickerDialog, TheCallerHasTheResultWithoutWaitingForTheHelperToLeaveItsApartment) {
    const HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(release, nullptr);
    // The helper may use it after the test, should the test fail.
    static SlowUninitialize spy(release);
    int result = 0;
    EXPECT_TRUE(Detail::RunInSingleThreadedApartment([&] {
        ULARGE_INTEGER cookie{};
        ASSERT_EQ(CoRegisterInitializeSpy(&spy, &cookie), S_OK);
        result = 42;
    }));
    EXPECT_EQ(result, 42);
    // Back here while the helper still leaves its apartment.
    EXPECT_TRUE([&] {
        for (int wait = 0; wait < 2000 && !spy.Entered; ++wait) Sleep(5);
        return spy.Entered.load();
    }()) << "the apartment was never left";
    SetEvent(release);
    // Later calls join the helper once it has ended.
    EXPECT_TRUE(Detail::RunInSingleThreadedApartment([] {}));
    Sleep(100);
    EXPECT_TRUE(Detail::RunInSingleThreadedApartment([] {}));
    EXPECT_FALSE(spy.WaitedInVain) << "the caller waited for the helper's apartment";
    CloseHandle(release);
}

}  // namespace
}  // namespace Ravenquill::Ui
