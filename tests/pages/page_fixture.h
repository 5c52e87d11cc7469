#pragma once
// A wizard on fake engines and a fake desktop, and frames drawn on the recording canvas with the pointer where a
// test puts it.
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
#include "ui/canvas_recorder.h"
#include "ui/input.h"
#include "ui/theme.h"

namespace Ravenquill::Testing {

// Templates without environment variables, so both builds expand them alike.
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

// One frame with the pointer at (x, y), released there when click is set.
inline Ui::Input PointerAt(float x, float y, bool click = false) {
    Ui::Input input;
    input.X = x;
    input.Y = y;
    input.Clicked = click;
    return input;
}

inline RecordingCanvas DrawFrame(Shell::IPage& page, Ui::Input input = Ui::Input::Inert()) {
    RecordingCanvas canvas;
    page.Draw(canvas, input);
    return canvas;
}

// A click in the middle of the rectangle.
inline RecordingCanvas ClickOn(Shell::IPage& page, const Ui::Rect& rect) {
    return DrawFrame(page, PointerAt((rect.Left + rect.Right) / 2, (rect.Top + rect.Bottom) / 2, true));
}

}  // namespace Ravenquill::Testing
