// Time per wizard frame as the window draws it: the window's own surface (940 × 580 at scale 1),
// the real frame (shadow, card, sidebar with step rail and footer, caption buttons) and each of the
// five pages (welcome, options, progress in its preview, finish, uninstall), bind to end of
// drawing. Figures only, never a pass or fail:
//   warm:  one surface and one frame object for every frame, as the window draws;
//   cold:  the canvas's caches dropped before every frame, so every brush, text format, layout and
//          geometry is made again (the shadow bitmap stays, as it does for the window's life);
//   first: a new frame object for every frame, so the shadow is blurred and uploaded each time;
//   empty: bind, clear and end only, the fixed cost of the DC render target.
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" tools/wine-run build/windows/bench/ui/frame_bench.exe [frames]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/shell_startup.h"
#include "core/common/errors.h"
#include "core/engine/engines/engine_services.h"
#include "pages/pages.h"
#include "shell/chrome.h"
#include "shell/frame.h"
#include "shell/shell_platform.h"
#include "shell/surface_win32.h"
#include "shell/wizard.h"
#include "ui/theme.h"

namespace {

using namespace Ravenquill;
struct Figures {
    double mean, median, best;
};

Figures Summarise(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double v : ms) sum += v;
    return {sum / static_cast<double>(ms.size()), ms[ms.size() / 2], ms.front()};
}

Figures Time(Shell::Surface& surface, int frames, const std::function<void()>& before,
             const std::function<void()>& draw) {
    std::vector<double> ms;
    ms.reserve(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        if (before) before();
        const auto start = std::chrono::steady_clock::now();
        surface.BeginDraw();
        draw();
        surface.EndDraw();
        const auto end = std::chrono::steady_clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    return Summarise(std::move(ms));
}

// Brushes, text formats, layouts and geometries the canvas holds: a steady frame makes none.
std::size_t CachedObjects(Shell::Surface& surface) {
    Ui::D2DCanvas& canvas = surface.Canvas();
    return canvas.BrushCount() + canvas.TextFormatCount() + canvas.TextLayoutCount() + canvas.GeometryCount();
}

void Print(const char* name, const Figures& f) {
    std::printf("  %-34s mean %7.3f  median %7.3f  best %7.3f\n", name, f.mean, f.median, f.best);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    try {
        const int frames = argc > 1 ? std::max(4, static_cast<int>(std::wcstol(argv[1], nullptr, 10))) : 200;
        auto d2d = Interop::Graphics::CreateD2DFactory();
        auto dwrite = Interop::Graphics::CreateDWriteFactory();
        Shell::Surface surface(d2d.Get(), dwrite.Get(), 940, 580, 1.0f);

        auto manifest = std::make_shared<Core::InstallManifest>();
        manifest->ProductName = L"Ravenquill Studio";
        manifest->Version = L"4.2.1";
        manifest->Publisher = L"Ravenquill Software";
        Core::CommandLineOptions options;
        const std::shared_ptr<Shell::ShellState> state = Program::BuildShellState(*manifest, options);
        Shell::Wizard wizard(manifest, options, Ui::Theme::Dark(), state, Core::EngineServices::System(),
                             Shell::ShellPlatform::System());
        Core::InstallRecord record;
        record.ProductName = manifest->ProductName;
        record.Version = manifest->Version;
        record.InstallDir = L"C:\\Program Files\\Ravenquill Studio";
        struct Named {
            const char* name;
            std::shared_ptr<Shell::IPage> page;
        };
        const std::vector<Named> pages = {
            {"welcome", Pages::MakeWelcomePage(wizard)},
            {"options", Pages::MakeOptionsPage(wizard)},
            {"progress (preview)", Pages::MakePreviewProgressPage(wizard)},
            {"finish (installed)", Pages::MakeInstalledPage(wizard, record)},
            {"uninstall", Pages::MakeUninstallPage(wizard)},
        };

        Shell::Chrome chrome(wizard.Theme);
        Ui::Input input;
        const int cold = std::max(1, frames / 4);
        std::printf("frame 940x580 at scale 1, %d warm and %d cold frames per page (ms per frame)\n", frames, cold);
        Print("empty: bind, clear, end", Time(surface, frames, {}, [] {}));
        const auto chromeOnly = [&] { Shell::DrawFrame(surface.Canvas(), chrome, *state, nullptr, nullptr, input); };
        Time(surface, 2, {}, chromeOnly);  // the shadow, once
        Print("chrome alone, warm", Time(surface, frames, {}, chromeOnly));
        for (const Named& named : pages) {
            wizard.Show(named.page);
            const auto frame = [&] { Shell::DrawFrame(surface.Canvas(), chrome, wizard, input); };
            Time(surface, 3, {}, frame);  // fills the caches
            const std::size_t before = CachedObjects(surface);
            const Figures warm = Time(surface, frames, {}, frame);
            const std::size_t after = CachedObjects(surface);
            const Figures coldFigures = Time(
                surface, cold, [&] { surface.Canvas().Dispose(); }, frame);
            char label[64];
            std::snprintf(label, sizeof label, "%s, warm", named.name);
            Print(label, warm);
            std::snprintf(label, sizeof label, "%s, cold", named.name);
            Print(label, coldFigures);
            std::printf("  %-34s %zu cached objects before, %zu after the warm frames\n", "", before, after);
        }
        std::unique_ptr<Shell::Chrome> fresh;
        wizard.Show(pages[0].page);
        Print("first frame of a frame object",
              Time(
                  surface, std::max(1, frames / 30), [&] { fresh = std::make_unique<Shell::Chrome>(wizard.Theme); },
                  [&] { Shell::DrawFrame(surface.Canvas(), *fresh, wizard, input); }));
        return 0;
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
