#pragma once
// A wizard for the pages' native tests, without a window: a product manifest, the desktop and the
// engines faked (the page makers take the wizard's engines), four steps in the rail, redraw and
// close requests counted. The test thread plays the UI thread: it draws pages, and it
// presses the buttons of the dialogs that a run shows.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "shell/support/fake_shell_platform.h"
#include "shell/wizard.h"
#include "support/fake_engines.h"
#include "ui/canvas_recorder.h"
#include "ui/theme.h"

namespace Ravenquill::Pages::Testing {

using namespace std::chrono_literals;
using Ravenquill::Testing::BlockUntilCancelled;
using Ravenquill::Testing::FakeEngines;

inline std::shared_ptr<Core::InstallManifest> ProductManifest() {
    auto manifest = std::make_shared<Core::InstallManifest>();
    manifest->ProductName = L"Quillpad";
    manifest->ProductId = L"Quillpad";
    manifest->Publisher = L"Raven Works";
    manifest->Version = L"3.1.0";
    return manifest;
}

class PageFixture : public testing::Test {
protected:
    PageFixture() : wizard_(MakeWizard()) {}

    // A wizard of its own; with an existing installation of the product when one is given.
    std::unique_ptr<Shell::Wizard> MakeWizard(std::optional<Core::UninstallRegistry::InstalledEntry> existing = {}) {
        auto platform = std::make_shared<Ravenquill::Testing::FakeShellPlatform>();
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

    ~PageFixture() override {
        // Every run started by a test ends before its wizard and engines go.
        EXPECT_TRUE(wizard_->Runs->WaitForAll(30s)) << "a run did not end";
    }

    // Polls until the condition holds; false after the timeout.
    template <class Condition>
    static bool WaitUntil(Condition condition, std::chrono::milliseconds timeout = 10s) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(1ms);
        }
        return true;
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

    // The texts a page draws, in order.
    static std::vector<std::wstring> TextsOf(Shell::IPage& page) {
        Ravenquill::Testing::RecordingCanvas canvas;
        Ui::Input input;
        page.Draw(canvas, input);
        std::vector<std::wstring> texts;
        for (const auto& call : canvas.Of(Ravenquill::Testing::CanvasOp::DrawText)) texts.push_back(call.Text);
        return texts;
    }

    std::atomic<int> redraws_ = 0;
    std::atomic<int> closeRequests_ = 0;
    std::shared_ptr<FakeEngines> engines_ = std::make_shared<FakeEngines>();
    std::unique_ptr<Shell::Wizard> wizard_;
};

}  // namespace Ravenquill::Pages::Testing
