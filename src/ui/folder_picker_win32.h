#pragma once
// The system's common folder picker, for choosing the target directory. Windows builds only.
#include <shobjidl.h>

#include <functional>
#include <optional>
#include <string>

#include "ui/folder_picker.h"

namespace Ravenquill::Ui::FolderDialog {

// Shows the picker (file-system folders only) owned by the window given, which the picker disables
// while it is open, as a modal dialog's owner is, and blocks the calling thread until the user
// closes it; the chosen folder's path, or nothing when the user cancels or anything on the way
// fails. A null owner gives a picker of its own. The dialog needs a single-threaded apartment and
// the caller lives in the multithreaded one, so the picker runs on a helper thread of its own,
// while the caller goes on dispatching its messages: its window stays responsive, and the owner's
// disabled state keeps clicks on it away. The call returns with the result, without waiting for
// the helper to leave its apartment. The title and the initial path may each be absent.
std::optional<std::wstring> PickFolder(HWND owner, const std::optional<std::wstring>& title,
                                       const std::optional<std::wstring>& initialPath);

// Opens the dialog in the nearest existing folder of path, rather than in the one it used last.
// Failures are ignored: the dialog then opens where the system chooses.
void SetInitialFolder(IFileOpenDialog* dialog, const std::optional<std::wstring>& path);

}  // namespace Ravenquill::Ui::FolderDialog

namespace Ravenquill::Ui::Detail {

// Runs work on a new thread in a single-threaded apartment and waits for it to be done, dispatching
// the calling thread's messages meanwhile (a quit message taken then is posted again afterwards,
// for the caller's own loop). Returns as soon as work has returned: the thread leaves its
// apartment afterwards (which may take the system seconds) and is joined later. False when the
// thread or its apartment could not be had (work did not run); an exception of work is rethrown on
// the calling thread.
bool RunInSingleThreadedApartment(const std::function<void()>& work);

}  // namespace Ravenquill::Ui::Detail
