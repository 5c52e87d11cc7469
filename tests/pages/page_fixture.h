#pragma once
// A wizard on a fake machine, and frames drawn on the recording canvas with the pointer where a
// test puts it.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/model/command_line_options.h"
#include "core/model/install_manifest.h"
#include "shell/page.h"
#include "shell/wizard.h"
#include "ui/canvas_recorder.h"
#include "ui/input.h"
#include "ui/theme.h"

namespace Ravenquill::Testing {

// What the pages ask of the machine, answered and written down.
class FakePlatform : public Shell::ShellPlatform {
public:
    struct Start {
        std::wstring File;
        std::optional<std::wstring> Arguments;
        std::optional<std::wstring> WorkingDirectory;
        bool operator==(const Start&) const = default;
    };

    Core::PayloadSummary Payload;
    std::optional<Core::UninstallRegistry::InstalledEntry> Installed;
    std::optional<std::wstring> ChosenFolder;
    std::vector<std::pair<std::optional<std::wstring>, std::optional<std::wstring>>> Pickers;
    std::function<std::int64_t(const std::wstring&)> FreeBytes = [](const std::wstring&) { return 0; };
    std::vector<std::wstring> FreeBytesRoots;
    std::function<void()> StartFailure = [] {};
    std::vector<Start> Starts;

    Core::PayloadSummary LoadPayload(const Core::InstallManifest&) override { return Payload; }
    std::optional<Core::UninstallRegistry::InstalledEntry> FindInstalled(const std::wstring&) override {
        return Installed;
    }
    bool RequiresElevation(const std::wstring&) override { return false; }
    bool RelaunchElevated(std::span<const std::wstring>) override { return false; }
    std::optional<std::wstring> PickFolder(const std::optional<std::wstring>& title,
                                           const std::optional<std::wstring>& initialPath) override {
        Pickers.emplace_back(title, initialPath);
        return ChosenFolder;
    }
    std::int64_t FreeBytesAvailable(const std::wstring& root) override {
        FreeBytesRoots.push_back(root);
        return FreeBytes(root);
    }
    void StartThroughShell(const std::wstring& file, const std::optional<std::wstring>& arguments,
                           const std::optional<std::wstring>& workingDirectory) override {
        Starts.push_back({file, arguments, workingDirectory});
        StartFailure();
    }
};

// A page shown by Wizard::BeginInstall in place of the live progress page.
class StubPage : public Shell::IPage {
public:
    int Step() const override { return 4; }
    void Draw(Ui::Canvas&, Ui::Input&) override {}
};

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
        Platform->Payload = std::move(payload);
        Platform->Installed = std::move(installed);
        State->SetSteps({{1, L"Начало"}, {2, L"Лицензия"}, {3, L"Параметры"}, {4, L"Установка"}, {5, L"Готово"}});
        Wizard = std::make_unique<Shell::Wizard>(std::make_shared<const Core::InstallManifest>(std::move(manifest)),
                                                 std::move(options), Ui::Theme::Dark(), State, Platform);
        Wizard->RequestClose = [this] { ++Closes; };
        Wizard->MakeProgressPage = [this](Shell::Wizard&) { return Progress; };
    }

    std::shared_ptr<FakePlatform> Platform = std::make_shared<FakePlatform>();
    std::shared_ptr<Shell::ShellState> State = std::make_shared<Shell::ShellState>();
    std::unique_ptr<Shell::Wizard> Wizard;
    std::shared_ptr<StubPage> Progress = std::make_shared<StubPage>();
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
