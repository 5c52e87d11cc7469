#include "ui/folder_picker_win32.h"

#include <objbase.h>
#include <wrl/client.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "core/common/com_apartment_win32.h"
#include "core/common/errors.h"
#include "core/common/file_system.h"
#include "core/common/unique_handle.h"

namespace Ravenquill::Ui {
namespace {

using Microsoft::WRL::ComPtr;

// The picker itself, on a thread in a single-threaded apartment. Every COM pointer is released
// before it returns, also when an error leaves it.
std::optional<std::wstring> ShowPicker(HWND owner, const std::optional<std::wstring>& title,
                                       const std::optional<std::wstring>& initialPath) {
    ComPtr<IFileOpenDialog> dialog;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&dialog))))
        return std::nullopt;
    // The set-up calls may fail without harm: the picker still shows.
    FILEOPENDIALOGOPTIONS options = 0;
    if (FAILED(dialog->GetOptions(&options))) options = 0;
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM);
    dialog->SetTitle(title ? title->c_str() : nullptr);
    FolderDialog::SetInitialFolder(dialog.Get(), initialPath);
    // Modal to the owner, which the dialog disables while it is open. A failure here includes the
    // user's cancel.
    if (FAILED(dialog->Show(owner))) return std::nullopt;
    ComPtr<IShellItem> item;
    if (FAILED(dialog->GetResult(&item)) || !item) return std::nullopt;
    wchar_t* name = nullptr;
    if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &name)) || name == nullptr) return std::nullopt;
    const CoTaskMemString owned(name);
    return std::wstring(owned.get());
}

// Waits for the event while this thread's messages (sent ones included: a dialog owned by one of its
// windows disables and enables that window through them) are dispatched.
void WaitDispatchingMessages(HANDLE event) {
    std::optional<int> quit;
    for (;;) {
        const DWORD woke = MsgWaitForMultipleObjectsEx(1, &event, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke != WAIT_OBJECT_0 + 1) break;  // the event, or a wait that cannot go on
        MSG message{};
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = static_cast<int>(message.wParam);
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    if (quit) PostQuitMessage(*quit);
}

}  // namespace

namespace Detail {

// Helper threads whose work is done while their apartment is still being left: leaving the
// apartment the shell's dialog lived in took the system about two seconds under Wine, which the
// caller, the window's UI thread, must not wait for. Each is joined by a later call once it has
// ended, and whatever still runs when the program's statics go is joined then.
class EndingThreads {
public:
    ~EndingThreads() {
        const std::lock_guard lock(lock_);
        for (Ending& ending : threads_) ending.Thread.join();
    }

    void Add(std::thread thread, std::shared_ptr<std::atomic<bool>> ended) {
        const std::lock_guard lock(lock_);
        std::erase_if(threads_, [](Ending& ending) {
            if (!*ending.Ended) return false;
            ending.Thread.join();  // at most the last few instructions of the thread
            return true;
        });
        threads_.push_back({std::move(thread), std::move(ended)});
    }

private:
    struct Ending {
        std::thread Thread;
        std::shared_ptr<std::atomic<bool>> Ended;
    };
    std::mutex lock_;
    std::vector<Ending> threads_;
};

EndingThreads& Ending() {
    static EndingThreads threads;
    return threads;
}

bool RunInSingleThreadedApartment(const std::function<void()>& work) {
    // Shared with the helper, which signals it after the caller may have stopped waiting.
    const auto done = std::make_shared<UniqueHandle>(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!*done) return false;
    bool ran = false;
    std::exception_ptr failure;
    const auto ended = std::make_shared<std::atomic<bool>>(false);
    try {
        std::thread helper([&, done, ended] {
            {
                const std::optional<ComApartment> apartment = ComApartment::TryEnter(ApartmentKind::SingleThreaded);
                if (apartment) {
                    try {
                        work();
                        ran = true;
                    } catch (...) {
                        failure = std::current_exception();
                    }
                }
                // The result is complete: the caller goes on now, while the apartment is left. From
                // here on nothing of the caller's is touched.
                SetEvent(done->get());
            }
            *ended = true;
        });
        WaitDispatchingMessages(done->get());
        // Should the wait have given up, the work still writes the caller's results.
        WaitForSingleObject(done->get(), INFINITE);
        Ending().Add(std::move(helper), ended);
    } catch (const std::system_error&) {
        return false;  // no thread could be started
    }
    if (failure) std::rethrow_exception(failure);
    return ran;
}

}  // namespace Detail

namespace FolderDialog {

void SetInitialFolder(IFileOpenDialog* dialog, const std::optional<std::wstring>& path) {
    // Whatever the initial path holds, the picker must still show: a path the platform cannot take
    // (a U+0000 inside, which would cut it short, or a long one it cannot make full) names no folder.
    const std::wstring folder = NearestExistingFolder(path, FileSystem::DirectoryExists);
    if (folder.empty()) return;
    ComPtr<IShellItem> item;
    if (FAILED(SHCreateItemFromParsingName(folder.c_str(), nullptr, IID_PPV_ARGS(&item)))) return;
    dialog->SetFolder(item.Get());
}

std::optional<std::wstring> PickFolder(HWND owner, const std::optional<std::wstring>& title,
                                       const std::optional<std::wstring>& initialPath) {
    std::optional<std::wstring> chosen;
    if (!Detail::RunInSingleThreadedApartment([&] { chosen = ShowPicker(owner, title, initialPath); }))
        return std::nullopt;
    return chosen;
}

}  // namespace FolderDialog
}  // namespace Ravenquill::Ui
