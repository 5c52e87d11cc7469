#include "shell/wizard.h"

#include <utility>

#include "core/common/errors.h"
#include "shell/elevation_decision.h"

namespace Ravenquill::Shell {

Wizard::Wizard(std::shared_ptr<const Core::InstallManifest> manifest, Core::CommandLineOptions options, Ui::Theme theme,
               std::shared_ptr<ShellState> state, std::shared_ptr<Core::EngineServices> engines,
               std::shared_ptr<ShellPlatform> platform)
    : Manifest(std::move(manifest)),
      Options(std::move(options)),
      Theme(theme),
      State(std::move(state)),
      Engines(std::move(engines)),
      Platform(std::move(platform)),
      Payload(Engines->LoadPayloadSummary(*Manifest)),
      Existing(Engines->FindInstalled(Manifest->ProductId)),
      Settings(Settings::FromOptions(Manifest, Options, Payload, Engines->FindEarlierInstallations(Manifest->ProductId),
                                     Engines->IsAdministrator())) {}

std::shared_ptr<IPage> Wizard::CurrentPage() const { return page_.load(); }

std::shared_ptr<Shell::Dialog> Wizard::Dialog() const { return dialog_.load(); }

void Wizard::Show(std::shared_ptr<IPage> page) {
    const int step = page ? page->Step() : 0;
    const bool marks = page != nullptr;
    page_.store(std::move(page));
    if (marks) State->SetCurrentStep(step);
    RequestRedraw();
}

void Wizard::ShowDialog(std::shared_ptr<Shell::Dialog> dialog) {
    dialog_.store(std::move(dialog));
    RequestRedraw();
}

void Wizard::CloseDialog() {
    dialog_.store(nullptr);
    RequestRedraw();
}

void Wizard::ScheduleSelfDeleteOnClose(Core::FoundInstallation removed) {
    selfDelete_.store(std::make_shared<const Core::FoundInstallation>(std::move(removed)));
}

void Wizard::WindowClosed() noexcept {
    const std::shared_ptr<const Core::FoundInstallation> removed = selfDelete_.exchange(nullptr);
    if (!removed) return;
    try {
        Engines->ScheduleSelfDelete(*removed);
    } catch (...) {
        // The removal is done and reported: a self-deletion that cannot even be asked for leaves the
        // uninstaller and its folder, as a refused start does, and must not fail the closed window.
    }
}

void Wizard::BeginInstall() {
    if (!MakeProgressPage) throw InvalidOperationException(L"The wizard has no progress page to show.");
    if (!MustRelaunchElevated(Settings, Options, *Engines)) {
        Show(MakeProgressPage(*this));
        return;
    }

    // The relaunch installs: an uninstall (or its keep-data choice) that opened this wizard, which
    // then started over with an installation, must not reopen the uninstall page in the copy.
    Core::CommandLineOptions relaunchOptions = Options;
    relaunchOptions.Uninstall = false;
    relaunchOptions.KeepData = false;
    // The copy runs on its own: this process does not wait for it.
    if (Engines->RelaunchElevated(Settings.RelaunchArguments(relaunchOptions))) {
        RequestClose();
        return;
    }

    // The user's own installation, where there is one, is what an installation for oneself updates.
    const std::wstring perUserDir = Settings.ScopeDirectory(false);
    auto dialog = std::make_shared<Shell::Dialog>(
        L"Нужны права администратора",
        L"Для установки в «" + Settings.InstallDir + L"» требуется подтверждение администратора.\n\n" +
            L"Установить только для текущего пользователя в «" + perUserDir + L"»?",
        L"Установить для себя", L"Отмена");
    dialog->OnPrimary = [this, perUserDir] {
        // Plain assignments: a directory the user typed is replaced by the per-user one as well.
        Settings.PerMachine = false;
        Settings.InstallDir = perUserDir;
        CloseDialog();
        Show(MakeProgressPage(*this));
    };
    dialog->OnSecondary = [this] { CloseDialog(); };
    ShowDialog(std::move(dialog));
}

void Wizard::AfterFrame(std::function<void()> work) { afterFrame_.push_back(std::move(work)); }

bool Wizard::RunAfterFrameWork() {
    if (afterFrameRunning_ || afterFrame_.empty()) return false;
    afterFrameRunning_ = true;
    struct Reset {
        bool& running;
        ~Reset() { running = false; }
    } reset{afterFrameRunning_};
    // Work asked for by the frames drawn while earlier work runs is run in its turn.
    while (!afterFrame_.empty()) {
        const std::function<void()> work = std::move(afterFrame_.front());
        afterFrame_.erase(afterFrame_.begin());
        work();
    }
    return true;
}

}  // namespace Ravenquill::Shell
