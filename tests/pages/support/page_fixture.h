#pragma once
// The pages' native tests, without a window, on fake engines and a fake desktop:
// - PageFixture, a wizard whose pages a test draws on the recording canvas with the pointer where
//   it puts it; the progress page it would show is a stand-in, and close requests are counted.
// - RunFixture, a test whose wizard runs installations and removals on the fake engines: the test
//   thread plays the UI thread, drawing pages and pressing the buttons of the dialogs a run shows;
//   redraw and close requests are counted, and every run ends before the wizard goes.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/model/command_line_options.h"
#include "core/model/install_manifest.h"
#include "shell/page.h"
#include "shell/support/fake_page.h"
#include "shell/support/fake_shell_platform.h"
#include "shell/wizard.h"
#include "support/fake_engines.h"
#include "support/pointer_input.h"
#include "support/wait_until.h"
#include "ui/canvas_recorder.h"
#include "ui/input.h"
#include "ui/theme.h"

namespace Ravenquill::Testing {

using namespace std::chrono_literals;

// For PageFixture. Templates without environment variables, so both builds expand them alike.
inline Core::InstallManifest PageManifest() {
    Core::InstallManifest manifest;
    manifest.ProductName = L"Quill";
    manifest.Version = L"2.0";
    manifest.Publisher = L"Raven";
    manifest.DefaultInstallDir = L"C:\\Machine\\{ProductName}";
    manifest.PerUserInstallDir = L"C:\\Apps\\{ProductName}";
    manifest.PreferPerMachine = false;
    return manifest;
}

inline Core::PayloadSummary PayloadOf(std::int64_t bytes, std::int32_t files) {
    Core::PayloadSummary summary;
    summary.HasPayload = true;
    summary.TotalBytes = bytes;
    summary.UnassignedBytes = bytes;
    summary.FileCount = files;
    return summary;
}

class PageFixture {
public:
    explicit PageFixture(Core::InstallManifest manifest = PageManifest(),
                         Core::PayloadSummary payload = PayloadOf(2048, 3),
                         std::optional<Core::UninstallRegistry::InstalledEntry> installed = std::nullopt,
                         Core::CommandLineOptions options = {}) {
        Engines->Payload = std::move(payload);
        Engines->Installed = std::move(installed);
        State->SetSteps({{1, L"Начало"}, {2, L"Лицензия"}, {3, L"Параметры"}, {4, L"Установка"}, {5, L"Готово"}});
        Wizard = std::make_unique<Shell::Wizard>(std::make_shared<const Core::InstallManifest>(std::move(manifest)),
                                                 std::move(options), Ui::Theme::Dark(), State, Engines, Platform);
        Wizard->RequestClose = [this] { ++Closes; };
        Wizard->MakeProgressPage = [this](Shell::Wizard&) { return Progress; };
    }

    std::shared_ptr<FakeEngines> Engines = std::make_shared<FakeEngines>();
    std::shared_ptr<FakeShellPlatform> Platform = std::make_shared<FakeShellPlatform>();
    std::shared_ptr<Shell::ShellState> State = std::make_shared<Shell::ShellState>();
    std::unique_ptr<Shell::Wizard> Wizard;
    // Shown by Wizard::BeginInstall in place of the live progress page.
    std::shared_ptr<FakePage> Progress = std::make_shared<FakePage>(4);
    int Closes = 0;
};

inline RecordingCanvas DrawFrame(Shell::IPage& page, Ui::Input input = Ui::Input::Inert()) {
    RecordingCanvas canvas;
    page.Draw(canvas, input);
    return canvas;
}

// A frame clicked in the middle of the rectangle.
inline RecordingCanvas ClickOn(Shell::IPage& page, const Ui::Rect& rect) {
    return DrawFrame(page, ClickInMiddleOf(rect));
}

// The texts a frame of the page draws, in order.
inline std::vector<std::wstring> TextsOf(Shell::IPage& page, Ui::Input input = Ui::Input::Inert()) {
    std::vector<std::wstring> texts;
    for (const auto& call : DrawFrame(page, input).Of(CanvasOp::DrawText)) texts.push_back(call.Text);
    return texts;
}

// For RunFixture: the product whose runs the tests drive.
inline std::shared_ptr<Core::InstallManifest> ProductManifest() {
    auto manifest = std::make_shared<Core::InstallManifest>();
    manifest->ProductName = L"Quillpad";
    manifest->ProductId = L"Quillpad";
    manifest->Publisher = L"Raven Works";
    manifest->Version = L"3.1.0";
    return manifest;
}

class RunFixture : public testing::Test {
protected:
    RunFixture() : wizard_(MakeWizard()) {}

    // A wizard of its own; with an existing installation of the product when one is given.
    std::unique_ptr<Shell::Wizard> MakeWizard(std::optional<Core::UninstallRegistry::InstalledEntry> existing = {}) {
        auto platform = std::make_shared<FakeShellPlatform>();
        engines_->Installed = std::move(existing);
        Core::CommandLineOptions options;
        options.InstallDir = L"C:\\Apps\\Quillpad";
        auto state = std::make_shared<Shell::ShellState>();
        state->SetSteps({{1, L"Начало"}, {2, L"Параметры"}, {3, L"Установка"}, {4, L"Готово"}});
        auto wizard =
            std::make_unique<Shell::Wizard>(ProductManifest(), options, Ui::Theme::Dark(), state, engines_, platform);
        wizard->RequestRedraw = [this] { ++redraws_; };
        wizard->RequestClose = [this] { ++closeRequests_; };
        return wizard;
    }

    ~RunFixture() override {
        // Every run started by a test ends before its wizard and engines go.
        EXPECT_TRUE(wizard_->Runs->WaitForAll(30s)) << "a run did not end";
    }

    // The dialog the run shows next (another than the one given); fails the test after a timeout.
    std::shared_ptr<Shell::Dialog> NextDialog(const std::shared_ptr<Shell::Dialog>& previous = nullptr) {
        std::shared_ptr<Shell::Dialog> dialog;
        EXPECT_TRUE(WaitUntil([&] {
            dialog = wizard_->Dialog();
            return dialog && dialog != previous;
        })) << "no dialog was shown";
        return dialog;
    }

    std::atomic<int> redraws_ = 0;
    std::atomic<int> closeRequests_ = 0;
    std::shared_ptr<FakeEngines> engines_ = std::make_shared<FakeEngines>();
    std::unique_ptr<Shell::Wizard> wizard_;
};

}  // namespace Ravenquill::Testing
