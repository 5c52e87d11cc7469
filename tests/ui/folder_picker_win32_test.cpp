// The folder picker on Wine's common item dialog, driven by a watcher thread that finds the
// dialog's window and presses its buttons.
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

// Waits for the picker's window, remembers its thread and title, and presses the button (for OK,
// with the folder the dialog has open as the choice).
struct Watcher {
    explicit Watcher(int button) {
        thread = std::thread([this, button] {
            for (auto end = std::chrono::steady_clock::now() + 30s; std::chrono::steady_clock::now() < end;) {
                FoundDialog found;
                EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&found));
                if (found.Window != nullptr) {
                    dialogThread = GetWindowThreadProcessId(found.Window, nullptr);
                    wchar_t text[128] = {};
                    GetWindowTextW(found.Window, text, 128);
                    title = text;
                    std::this_thread::sleep_for(300ms);  // let the dialog finish opening its folder
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

TEST(FolderPickerDialog, CancelReturnsNothingAndTheDialogRanOnAHelperThread) {
    const Watchdog watchdog;
    std::optional<std::wstring> chosen;
    DWORD dialogThread = 0;
    std::wstring title;
    {
        Watcher watcher(IDCANCEL);
        chosen = FolderDialog::PickFolder(L"Выберите каталог установки", MakeTempFolder(L"rq-picker").wstring());
        watcher.Join();
        dialogThread = watcher.dialogThread;
        title = watcher.title;
    }
    EXPECT_FALSE(chosen);
    ASSERT_NE(dialogThread, 0u) << "the picker never showed";
    EXPECT_NE(dialogThread, GetCurrentThreadId());
    EXPECT_EQ(title, L"Выберите каталог установки");
}

TEST(FolderPickerDialog, OpensInTheNearestExistingFolderOfAMissingPath) {
    const Watchdog watchdog;
    const auto base = MakeTempFolder(L"rq-picker-base");
    std::filesystem::remove_all(base / L"Product");
    std::optional<std::wstring> chosen;
    {
        Watcher watcher(IDOK);
        chosen = FolderDialog::PickFolder(std::nullopt, (base / L"Product" / L"bin").wstring());
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
            EXPECT_NO_THROW(chosen = FolderDialog::PickFolder(std::nullopt, path));
        }
        ASSERT_TRUE(chosen) << "the picker never showed";
        EXPECT_TRUE(std::filesystem::equivalent(*chosen, base)) << Text::ToUtf8(*chosen);
    }
}

TEST(FolderPickerDialog, WorkRunsInASingleThreadedApartmentWhileTheCallerWaits) {
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
    // The first single-threaded apartment of a process is its main one.
    EXPECT_TRUE(helperType == APTTYPE_STA || helperType == APTTYPE_MAINSTA) << helperType;
    EXPECT_NE(helperThread, GetCurrentThreadId());

    // An error of the work reaches the caller.
    EXPECT_THROW(Detail::RunInSingleThreadedApartment([] { throw std::bad_alloc(); }), std::bad_alloc);
}

}  // namespace
}  // namespace Ravenquill::Ui
