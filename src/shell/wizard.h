#pragma once
// What the window, the frame and the pages share: manifest, command line, theme, sidebar state,
// the user's settings, the payload's sizes, an existing installation, the page on show and the
// modal question over it. A page (or the progress page's worker) replaces the page or the dialog
// here and asks for a frame; the window reads both when it draws.
//
// The page and the dialog are shared pointers replaced as a whole (atomically, no lock): a frame
// takes its own copy, so a page or dialog replaced by a click in that very frame stays alive until
// the frame ends.
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/engine/engines/engine_services.h"
#include "core/engine/platform/uninstall_registry.h"
#include "core/model/command_line_options.h"
#include "core/model/install_manifest.h"
#include "core/payload/payload_summary.h"
#include "dialog.h"
#include "live_runs.h"
#include "page.h"
#include "settings.h"
#include "shell_platform.h"
#include "shell_state.h"
#include "ui/theme.h"

namespace Ravenquill::Shell {

class Wizard {
public:
    // Makes the live progress page of an installation (no uninstall target). The shell never
    // depends on the pages: the start-up installs the real factory, tests their own.
    using ProgressPageFactory = std::function<std::shared_ptr<IPage>(Wizard&)>;

    // Loads the payload's sizes and looks up the existing installations through the engines, then
    // builds the settings, which update the installation of their scope. The redraw and close requests do nothing until
    // the window replaces them.
    Wizard(std::shared_ptr<const Core::InstallManifest> manifest, Core::CommandLineOptions options, Ui::Theme theme,
           std::shared_ptr<ShellState> state, std::shared_ptr<Core::EngineServices> engines,
           std::shared_ptr<ShellPlatform> platform);
    Wizard(const Wizard&) = delete;
    Wizard& operator=(const Wizard&) = delete;

    const std::shared_ptr<const Core::InstallManifest> Manifest;
    Core::CommandLineOptions Options;  // the uninstall page's check box writes KeepData
    const Ui::Theme Theme;
    const std::shared_ptr<ShellState> State;
    // The engines every page and run of this wizard uses.
    const std::shared_ptr<Core::EngineServices> Engines;
    // The picker, free space and starting programs.
    const std::shared_ptr<ShellPlatform> Platform;
    const Core::PayloadSummary Payload;
    // The registered installation the pages speak of as being updated.
    const std::optional<Core::UninstallRegistry::InstalledEntry> Existing;
    Shell::Settings Settings;
    // Every live engine run started from this wizard.
    const std::shared_ptr<LiveRuns> Runs = std::make_shared<LiveRuns>();

    // Both safe from any thread once set; set before any other thread exists.
    std::function<void()> RequestRedraw = [] {};
    std::function<void()> RequestClose = [] {};
    ProgressPageFactory MakeProgressPage;

    bool HasExisting() const noexcept { return Existing.has_value(); }

    // One whole reference each; safe from any thread.
    std::shared_ptr<IPage> CurrentPage() const;
    std::shared_ptr<Shell::Dialog> Dialog() const;

    // Page := page; the step rail marks page->Step(); then a redraw request.
    void Show(std::shared_ptr<IPage> page);
    // Replaces any open dialog; then a redraw request.
    void ShowDialog(std::shared_ptr<Shell::Dialog> dialog);
    void CloseDialog();

    // Starts an installation with the current settings on the UI thread: the progress page at once,
    // or an elevated relaunch (and then closing), or the per-user offer when elevation was refused.
    void BeginInstall();

    // After a removal that succeeded, from any thread: what is left of the installation (the
    // running uninstaller, its folder, the empty folders made above it) goes once the window has
    // closed, by the same self-deletion as after a silent removal.
    void ScheduleSelfDeleteOnClose(Core::FoundInstallation removed);
    // On the UI thread, once the window has closed and its runs have ended: starts the
    // self-deletion asked for, if any, once; a failure to start it leaves the folder in place.
    void WindowClosed() noexcept;
    // UI thread. Work that opens a modal window (the folder picker) runs once the frame that asks
    // for it, and the rest of the input that drew that frame, have been handled: inside the frame it
    // would hold the frame open while the user decides, and frames drawn meanwhile would carry the
    // frame's click once more. The window runs it (RunAfterFrameWork).
    void AfterFrame(std::function<void()> work);
    // UI thread, by the window once it has handled a message outside any frame: runs the work asked
    // for, in order. Nothing runs while such work is already running further up the stack (its
    // modal loop dispatches the window's messages); that work's own call runs what it left. True
    // when some work ran.
    bool RunAfterFrameWork();

private:
    std::vector<std::function<void()>> afterFrame_;
    bool afterFrameRunning_ = false;
    std::atomic<std::shared_ptr<IPage>> page_;
    std::atomic<std::shared_ptr<Shell::Dialog>> dialog_;
    std::atomic<std::shared_ptr<const Core::FoundInstallation>> selfDelete_;
};

}  // namespace Ravenquill::Shell
