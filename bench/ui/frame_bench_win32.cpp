// Time per frame of a representative wizard frame (shadow, card, sidebar with step rail and
// footer, caption glyphs, a page with a title, body text, a dozen texts in all, four buttons, two
// check boxes and icons) drawn through the Direct2D canvas onto a 940 × 580 DC render target over a
// DIB. Figures only, never a pass or fail:
//   (a) warm: one canvas for every frame, as the window draws;
//   (b) cold: a new canvas for every frame, so every brush, format, layout and geometry is made;
//   (c) empty: bind, clear and end only, the fixed cost of the DC render target.
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" tools/wine-run build/windows/tests/ui/rq_canvas_bench.exe [frames]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "core/common/errors.h"
#include "ui/canvas_win32.h"
#include "ui/dib_target_win32.h"
#include "ui/icons.h"
#include "ui/theme.h"
#include "ui/widgets.h"

namespace {

using namespace Ravenquill;
using Ui::Rect;
using Ui::TextAlign;
using Ui::TextStyle;

constexpr int Width = 940;
constexpr int Height = 580;
constexpr wchar_t TextFamily[] = L"Segoe UI Variable Text";
constexpr wchar_t DisplayFamily[] = L"Segoe UI Variable Display";

struct Frame {
    const Ui::Theme& theme;
    std::shared_ptr<Ui::CanvasBitmap> shadow;

    void Draw(Ui::Canvas& canvas) const {
        canvas.DrawBitmap(*shadow, Rect{0, 0, Width, Height});
        const Rect card{24, 24, 916, 556};
        canvas.FillRoundedRect(card, 10, theme.Background);
        canvas.PushRoundedClip(card, 10);
        canvas.FillRect(Rect{24, 24, 288, 556}, theme.Sidebar);
        canvas.FillRect(Rect{287, 24, 288, 556}, theme.Border);
        canvas.FillRoundedRect(Rect{52, 54, 92, 94}, 8, theme.Accent);
        canvas.DrawTextVCenter(L"R", Rect{52, 54, 92, 94},
                               TextStyle(DisplayFamily, 18, 600, theme.OnAccent, false, 0, false, TextAlign::Center));
        canvas.DrawText(L"Ravenquill Studio", Rect{104, 56, 264, 80}, TextStyle(DisplayFamily, 15, 600, theme.Text));
        canvas.DrawText(L"Версия 4.2.1", Rect{104, 78, 264, 94}, TextStyle(TextFamily, 11.5f, 400, theme.TextMuted));
        const wchar_t* steps[] = {L"Приветствие", L"Параметры", L"Установка", L"Готово"};
        for (int i = 0; i < 4; ++i) {
            const float y = 140.0f + 44.0f * static_cast<float>(i);
            if (i == 0) {
                canvas.FillCircle(64, y + 12, 12, theme.Accent);
                canvas.DrawTextVCenter(
                    L"1", Rect{52, y, 76, y + 24},
                    TextStyle(TextFamily, 11.5f, 600, theme.OnAccent, false, 0, false, TextAlign::Center));
            } else {
                canvas.StrokeCircle(64, y + 12, 12, theme.StrongBorder, 1);
                canvas.DrawPath(Ui::Icons::CheckMark, Rect{58.5f, y + 7.5f, 69.5f, y + 16.5f}, theme.Accent, 1.8f);
            }
            canvas.DrawTextVCenter(
                steps[i], Rect{88, y, 264, y + 24},
                TextStyle(TextFamily, 13, i == 0 ? 600 : 400, i == 0 ? theme.Text : theme.TextMuted));
        }
        canvas.DrawText(L"Ravenquill Software", Rect{52, 497, 264, 513},
                        TextStyle(TextFamily, 11.5f, 400, theme.TextSecondary));
        canvas.DrawText(L"создано в Ravenquill", Rect{52, 515, 264, 530},
                        TextStyle(TextFamily, 11.5f, 400, theme.TextMuted));
        canvas.DrawPath(Ui::Icons::Minimize, Rect{842, 41.5f, 852, 42.5f}, theme.TextSecondary, 1.2f);
        canvas.DrawPath(Ui::Icons::Close, Rect{883, 37, 893, 47}, theme.TextSecondary, 1.2f);

        canvas.DrawText(L"Параметры установки", Rect{328, 64, 876, 100}, TextStyle(DisplayFamily, 19, 600, theme.Text));
        canvas.DrawText(
            L"Выберите папку, область установки и компоненты. Все параметры можно изменить позже в "
            L"настройках программы.",
            Rect{328, 104, 856, 160}, TextStyle(TextFamily, 13.5f, 400, theme.TextSecondary, true, 20));
        canvas.FillRoundedRect(Rect{328, 170, 876, 230}, 8, theme.Panel);
        canvas.StrokeRoundedRect(Rect{328, 170, 876, 230}, 8, theme.Border, 1);
        canvas.DrawPath(Ui::Icons::Folder, Rect{346, 188, 362, 204}, theme.Accent, 1.3f);
        canvas.DrawText(L"C:\\Program Files\\Ravenquill Studio", Rect{372, 190, 780, 210},
                        TextStyle(L"Cascadia Mono", 13, 400, theme.Text, false, 0, true));
        canvas.DrawPath(Ui::Icons::Shield, Rect{346, 250, 362, 266}, theme.Warning, 1.3f);
        canvas.DrawText(L"Требуются права администратора", Rect{372, 250, 876, 270},
                        TextStyle(TextFamily, 13, 400, theme.TextSecondary));
        canvas.PushAxisAlignedClip(Rect{328, 280, 876, 460});
        canvas.FillRect(Rect{328, 280, 876, 460}, theme.Panel);
        canvas.PopAxisAlignedClip();
        Ui::Input input;
        canvas.Checkbox(input, theme, Rect{330, 300, 876, 321}, L"Создать ярлык на рабочем столе", true, true);
        canvas.Checkbox(input, theme, Rect{330, 333, 876, 354}, L"Добавить папку в PATH", false, true);
        Ui::Widgets widgets{theme, canvas, input};
        widgets.TextButton(Rect{328, 488, 440, 524}, L"Сайт");
        widgets.SecondaryButton(Rect{500, 488, 612, 524}, L"Отмена", true);
        widgets.SecondaryButton(Rect{620, 488, 732, 524}, L"Назад", true);
        widgets.PrimaryButton(Rect{744, 488, 876, 524}, L"Установить", true);
        canvas.PopLayer();
        canvas.StrokeRoundedRect(card, 10, theme.Border, 1);
    }
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

template <class DrawFrame>
Figures Time(Testing::DibTarget& dib, int frames, DrawFrame drawFrame) {
    std::vector<double> ms;
    ms.reserve(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        const auto start = std::chrono::steady_clock::now();
        dib.Draw(drawFrame, 0x00000000);
        const auto end = std::chrono::steady_clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    return Summarise(std::move(ms));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    try {
        const int frames = argc > 1 ? std::max(1, static_cast<int>(std::wcstol(argv[1], nullptr, 10))) : 300;
        auto d2d = Interop::Graphics::CreateD2DFactory();
        auto dwrite = Interop::Graphics::CreateDWriteFactory();
        Testing::DibTarget dib(d2d.Get(), Width, Height);
        const Ui::Theme theme = Ui::Theme::Dark();

        Ui::D2DCanvas warmCanvas(d2d.Get(), dwrite.Get());
        warmCanvas.SetTarget(dib.Target());
        std::vector<std::uint8_t> shadowPixels(static_cast<std::size_t>(Width) * Height * 4, 0x10);
        Frame frame{theme, nullptr};
        dib.Draw([&] { frame.shadow = warmCanvas.CreateBitmap(Width, Height, shadowPixels); });
        dib.Draw([&] { frame.Draw(warmCanvas); });  // fills the caches once

        const Figures warm = Time(dib, frames, [&] { frame.Draw(warmCanvas); });
        const Figures cold = Time(dib, std::max(1, frames / 4), [&] {
            Ui::D2DCanvas canvas(d2d.Get(), dwrite.Get());
            canvas.SetTarget(dib.Target());
            frame.Draw(canvas);
        });
        const Figures empty = Time(dib, frames, [] {});
        std::printf("frame %dx%d, %d warm frames, %d cold frames (ms per frame)\n", Width, Height, frames,
                    std::max(1, frames / 4));
        std::printf("  warm caches: mean %.3f  median %.3f  best %.3f  (%zu layouts, %zu brushes cached)\n", warm.mean,
                    warm.median, warm.best, warmCanvas.TextLayoutCount(), warmCanvas.BrushCount());
        std::printf("  cold caches: mean %.3f  median %.3f  best %.3f\n", cold.mean, cold.median, cold.best);
        std::printf("  empty frame: mean %.3f  median %.3f  best %.3f\n", empty.mean, empty.median, empty.best);
        return 0;
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
