// Time per wizard frame as the window draws it: the window's own surface (940 × 580 at scale 1),
// the real frame (shadow, card, sidebar with step rail and footer, caption buttons) and a page,
// bind to end of drawing. Figures only, never a pass or fail:
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

#include "core/common/errors.h"
#include "shell/chrome.h"
#include "shell/frame.h"
#include "shell/surface_win32.h"
#include "ui/icons.h"
#include "ui/theme.h"
#include "ui/widgets.h"

namespace {

using namespace Ravenquill;
using Ui::Rect;
using Ui::TextStyle;

constexpr wchar_t TextFamily[] = L"Segoe UI Variable Text";
constexpr wchar_t DisplayFamily[] = L"Segoe UI Variable Display";

// A page as busy as the options page: title, wrapped body text, a folder panel in the mono face,
// a note with an icon, a clipped list, two check boxes and four footer buttons.
class StandInPage final : public Shell::IPage {
public:
    explicit StandInPage(const Ui::Theme& theme) : theme_(theme) {}
    int Step() const override { return 2; }
    void Draw(Ui::Canvas& canvas, Ui::Input& input) override {
        canvas.DrawText(L"Параметры установки", Rect{328, 64, 876, 100},
                        TextStyle(DisplayFamily, 19, 600, theme_.Text));
        canvas.DrawText(
            L"Выберите папку, область установки и компоненты. Все параметры можно изменить позже в "
            L"настройках программы.",
            Rect{328, 104, 856, 160}, TextStyle(TextFamily, 13.5f, 400, theme_.TextSecondary, true, 20));
        canvas.FillRoundedRect(Rect{328, 170, 876, 230}, 8, theme_.Panel);
        canvas.StrokeRoundedRect(Rect{328, 170, 876, 230}, 8, theme_.Border, 1);
        canvas.DrawPath(Ui::Icons::Folder, Rect{346, 188, 362, 204}, theme_.Accent, 1.3f);
        canvas.DrawText(L"C:\\Program Files\\Ravenquill Studio", Rect{372, 190, 780, 210},
                        TextStyle(L"Cascadia Mono", 13, 400, theme_.Text, false, 0, true));
        canvas.DrawPath(Ui::Icons::Shield, Rect{346, 250, 362, 266}, theme_.Warning, 1.3f);
        canvas.DrawText(L"Требуются права администратора", Rect{372, 250, 876, 270},
                        TextStyle(TextFamily, 13, 400, theme_.TextSecondary));
        canvas.PushAxisAlignedClip(Rect{328, 280, 876, 460});
        canvas.FillRect(Rect{328, 280, 876, 460}, theme_.Panel);
        canvas.PopAxisAlignedClip();
        canvas.Checkbox(input, theme_, Rect{330, 300, 876, 321}, L"Создать ярлык на рабочем столе", true, true);
        canvas.Checkbox(input, theme_, Rect{330, 333, 876, 354}, L"Добавить папку в PATH", false, true);
        Ui::Widgets widgets{theme_, canvas, input};
        widgets.TextButton(Rect{328, 488, 440, 524}, L"Сайт");
        widgets.SecondaryButton(Rect{500, 488, 612, 524}, L"Отмена", true);
        widgets.SecondaryButton(Rect{620, 488, 732, 524}, L"Назад", true);
        widgets.PrimaryButton(Rect{744, 488, 876, 524}, L"Установить", true);
    }

private:
    const Ui::Theme& theme_;
};

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

void Print(const char* name, const Figures& f) {
    std::printf("  %-34s mean %7.3f  median %7.3f  best %7.3f\n", name, f.mean, f.median, f.best);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    try {
        const int frames = argc > 1 ? std::max(4, static_cast<int>(std::wcstol(argv[1], nullptr, 10))) : 300;
        auto d2d = Interop::Graphics::CreateD2DFactory();
        auto dwrite = Interop::Graphics::CreateDWriteFactory();
        Shell::Surface surface(d2d.Get(), dwrite.Get(), 940, 580, 1.0f);
        const Ui::Theme theme = Ui::Theme::Dark();

        Shell::ShellState state;
        state.ProductName = L"Ravenquill Studio";
        state.Version = L"4.2.1";
        state.Publisher = L"Ravenquill Software";
        state.Monogram = L"R";
        state.SetSteps({{1, L"Начало"}, {2, L"Параметры"}, {3, L"Установка"}, {4, L"Готово"}});
        state.SetCurrentStep(2);

        auto page = std::make_shared<StandInPage>(theme);
        auto dialog = std::make_shared<Shell::Dialog>(
            L"Ravenquill Studio сейчас запущен",
            L"Установка не может заменить файлы, пока приложение работает. Закройте его, чтобы продолжить.",
            L"Закрыть и продолжить", L"Отмена");
        dialog->Items = {L"Ravenquill Studio (PID 4242)"};

        Shell::Chrome chrome(theme);
        Ui::Input input;
        const auto pageFrame = [&] { Shell::DrawFrame(surface.Canvas(), chrome, state, page, nullptr, input); };
        const auto dialogFrame = [&] { Shell::DrawFrame(surface.Canvas(), chrome, state, page, dialog, input); };
        const auto chromeOnly = [&] { Shell::DrawFrame(surface.Canvas(), chrome, state, nullptr, nullptr, input); };
        Time(surface, 2, {}, pageFrame);  // builds the shadow and fills the caches once
        Time(surface, 2, {}, dialogFrame);

        const int cold = std::max(1, frames / 4);
        const int first = std::max(1, frames / 30);
        std::printf("frame 940x580 at scale 1, %d warm, %d cold, %d first frames (ms per frame)\n", frames, cold,
                    first);
        Print("warm: chrome + page", Time(surface, frames, {}, pageFrame));
        Print("warm: chrome + page + dialog", Time(surface, frames, {}, dialogFrame));
        Print("warm: chrome alone", Time(surface, frames, {}, chromeOnly));
        Print("cold: chrome + page", Time(
                                         surface, cold, [&] { surface.Canvas().Dispose(); }, pageFrame));
        std::unique_ptr<Shell::Chrome> fresh;
        Print("first: new frame object (shadow)",
              Time(
                  surface, first, [&] { fresh = std::make_unique<Shell::Chrome>(theme); },
                  [&] { Shell::DrawFrame(surface.Canvas(), *fresh, state, page, nullptr, input); }));
        Print("empty: bind, clear, end", Time(surface, frames, {}, [] {}));
        std::printf("  after the warm frames: %zu layouts, %zu formats, %zu brushes, %zu geometries cached\n",
                    surface.Canvas().TextLayoutCount(), surface.Canvas().TextFormatCount(),
                    surface.Canvas().BrushCount(), surface.Canvas().GeometryCount());
        return 0;
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
