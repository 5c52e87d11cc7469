// The screenshot mode: the install pages and a dialog drawn in both palettes, without a window,
// through the same frame drawing and surface as the window, and written as PNG files.
#include "app/screenshot_mode.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "app/shell_startup.h"
#include "core/common/file_system.h"
#include "core/common/path.h"
#include "core/engine/engines/engine_services.h"
#include "pages/pages.h"
#include "shell/chrome.h"
#include "shell/frame.h"
#include "shell/shell_platform.h"
#include "shell/surface_win32.h"
#include "shell/wizard.h"
#include "ui/graphics_win32.h"
#include "ui/png.h"
#include "ui/theme.h"

namespace Ravenquill::Program {
namespace {

// How long a page that waits for something (a slow volume's free space) is waited for; it is
// pictured as it is then.
constexpr std::chrono::seconds SettleWait{5};

// One frame with nothing hovered or clicked.
void Draw(Shell::Surface& surface, Shell::Chrome& chrome, const Shell::ShellState& state,
          std::shared_ptr<Shell::IPage> page, std::shared_ptr<const Shell::Dialog> dialog = nullptr) {
    surface.BeginDraw();
    Ui::Input inert = Ui::Input::Inert();
    Shell::DrawFrame(surface.Canvas(), chrome, state, std::move(page), std::move(dialog), inert);
    surface.EndDraw();
}

// One such frame, written to the file.
void Render(Shell::Surface& surface, Shell::Chrome& chrome, const Shell::ShellState& state,
            std::shared_ptr<Shell::IPage> page, std::shared_ptr<const Shell::Dialog> dialog, const std::wstring& path) {
    Draw(surface, chrome, state, std::move(page), std::move(dialog));
    Ui::Png::Save(path, surface.CopyPixels(), surface.PixelWidth, surface.PixelHeight);
}

void RenderPalette(ManifestPtr manifest, const Core::CommandLineOptions& options, const std::wstring& directory,
                   ID2D1Factory* d2d, IDWriteFactory* dwrite, bool light) {
    // The palette alone decides: the theme settings of the command line and the manifest play no part.
    Ui::Theme theme = light ? Ui::Theme::Light() : Ui::Theme::Dark();
    theme.ApplyAccent(manifest->EffectiveAccent());
    const std::wstring themeName = light ? L"light" : L"dark";

    // Declared first, so that the bitmaps made on its target (logo, shadow) go before it does.
    Shell::Surface surface(d2d, dwrite, static_cast<std::int32_t>(Shell::Chrome::WindowWidth),
                           static_cast<std::int32_t>(Shell::Chrome::WindowHeight), 1);
    const std::shared_ptr<Shell::ShellState> state = BuildShellState(*manifest, options);
    state->Logo = LoadLogo(surface.Canvas());
    state->SetCurrentStep(1);
    // Its close request stays the do-nothing one; a redraw request only says that a page has what
    // it was waiting for (the options page's free space, which comes from the thread pool).
    Shell::Wizard wizard(manifest, options, theme, state, Core::EngineServices::System(),
                         Shell::ShellPlatform::System());
    const auto redrawAsked = std::make_shared<std::atomic<bool>>(false);
    wizard.RequestRedraw = [redrawAsked] { *redrawAsked = true; };
    Shell::Chrome chrome(theme);
    const auto file = [&](const wchar_t* stem) {
        return Path::Combine(directory, stem + (L"-" + themeName + L".png"));
    };

    const struct {
        const wchar_t* Stem;
        std::shared_ptr<Shell::IPage> Page;
        // Drawn once before the picture and given a moment to ask for the frame that completes it.
        bool Settles;
    } pages[] = {
        {L"1-welcome", Pages::MakeWelcomePage(wizard), false},
        {L"2-options", Pages::MakeOptionsPage(wizard), true},
        // The preview state never starts a run.
        {L"3-progress", Pages::MakePreviewProgressPage(wizard), false},
        {L"4-finish", Pages::MakeFailedPage(wizard, L"Файл «app.asar» занят другим приложением."), false},
    };
    for (const auto& [stem, page, settles] : pages) {
        wizard.Show(page);
        if (settles) {
            *redrawAsked = false;
            Draw(surface, chrome, *state, page);
            const auto deadline = std::chrono::steady_clock::now() + SettleWait;
            while (!*redrawAsked && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        Render(surface, chrome, *state, page, nullptr, file(stem));
    }

    // The dialog is drawn over the welcome page without being put on the wizard.
    auto dialog = std::make_shared<Shell::Dialog>(
        manifest->ProductName + L" сейчас запущен",
        L"Установка не может заменить файлы, пока приложение работает. Закройте его, чтобы продолжить.",
        L"Закрыть и продолжить", L"Отмена");
    dialog->Items = {manifest->ProductName + L" (PID 4242)"};
    const std::shared_ptr<Shell::IPage> welcome = Pages::MakeWelcomePage(wizard);
    wizard.Show(welcome);
    Render(surface, chrome, *state, welcome, std::move(dialog), file(L"5-dialog"));
}

}  // namespace

int RenderScreenshots(ManifestPtr manifest, const Core::CommandLineOptions& options, const std::wstring& directory) {
    FileSystem::CreateDirectories(directory);
    // One pair of factories for the whole run; like the window's, they are never released.
    ID2D1Factory* d2d = Interop::Graphics::CreateD2DFactory().Detach();
    IDWriteFactory* dwrite = Interop::Graphics::CreateDWriteFactory().Detach();
    for (const bool light : {false, true}) RenderPalette(manifest, options, directory, d2d, dwrite, light);
    return 0;
}

}  // namespace Ravenquill::Program
