// The installer window while an installation of a large payload runs: frames per second of the
// animated progress page, and the longest gap between two presented frames (the UI thread must
// never wait for the engine), against the idle progress page (its preview, which runs nothing);
// and the processor time of the UI thread during the copy while the window is visible and while
// it is minimised (where it draws nothing). Figures only, never a pass or fail. Run in a virtual
// display:
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" tools/wine-run build/windows/bench/ui/window_bench.exe [MiB]
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

#include "app/shell_startup.h"
#include "bench_installer.h"
#include "core/common/errors.h"
#include "core/common/host.h"
#include "core/engine/engines/engine_services.h"
#include "pages/pages.h"
#include "shell/installer_window_win32.h"
#include "shell/shell_platform.h"
#include "shell/wizard.h"
#include "support/fake_host.h"
#include "support/wait_until.h"
#include "ui/graphics_win32.h"

namespace {

using namespace Ravenquill;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Testing::WaitUntil;

struct Figures {
    int frames = 0;
    double seconds = 0;
    double longestGapMs = 0;
    double medianGapMs = 0;
};

Figures Summarise(const std::vector<Clock::time_point>& presented) {
    Figures f;
    f.frames = static_cast<int>(presented.size());
    if (presented.size() < 2) return f;
    std::vector<double> gaps;
    for (std::size_t i = 1; i < presented.size(); ++i)
        gaps.push_back(std::chrono::duration<double, std::milli>(presented[i] - presented[i - 1]).count());
    f.seconds = std::chrono::duration<double>(presented.back() - presented.front()).count();
    f.longestGapMs = *std::max_element(gaps.begin(), gaps.end());
    std::sort(gaps.begin(), gaps.end());
    f.medianGapMs = gaps[gaps.size() / 2];
    return f;
}

void Print(const char* name, const Figures& f) {
    std::printf("  %-28s %5d frames in %6.2f s: %6.1f fps, median gap %6.1f ms, longest gap %7.1f ms\n", name, f.frames,
                f.seconds, f.seconds > 0 ? (f.frames - 1) / f.seconds : 0.0, f.medianGapMs, f.longestGapMs);
}

// One window on one page until stop says so, with the time of every presented frame.
template <class MakePage, class Stop>
Figures Measure(const std::shared_ptr<const Core::InstallManifest>& manifest, const Core::CommandLineOptions& options,
                ID2D1Factory* d2d, IDWriteFactory* dwrite, MakePage makePage, Stop stop) {
    Shell::Wizard wizard(manifest, options, Ui::Theme::Dark(), Program::BuildShellState(*manifest, options),
                         Core::EngineServices::System(), Shell::ShellPlatform::System());
    wizard.MakeProgressPage = Pages::MakeInstallProgressPage;
    wizard.Show(makePage(wizard));
    Shell::InstallerWindow window(wizard);
    std::vector<Clock::time_point> presented;
    const Clock::time_point started = Clock::now();
    bool closing = false;
    window.Presented = [&] {
        presented.push_back(Clock::now());
        if (!closing && stop(wizard, Clock::now() - started)) {
            closing = true;
            wizard.RequestClose();
        }
    };
    window.Run(d2d, dwrite, L"Установка " + manifest->ProductName, {});
    // The first frames are the window's own start; the figures begin with the page running.
    if (presented.size() > 3) presented.erase(presented.begin(), presented.begin() + 3);
    return Summarise(presented);
}

// The thread's processor time, user and kernel, in milliseconds.
double CpuMs(HANDLE thread) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetThreadTimes(thread, &created, &exited, &kernel, &user)) return 0;
    const auto ticks = [](const FILETIME& t) {
        return static_cast<double>(static_cast<std::uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime);
    };
    return (ticks(kernel) + ticks(user)) / 10'000.0;
}

struct Stretch {
    double seconds = 0;
    double cpuPercent = 0;  // of one core
    int frames = 0;         // presented
    bool copying = false;   // the installation still ran when the stretch ended
};

struct CpuFigures {
    Stretch visible, minimised;
};

// During one installation: a stretch with the window visible, then one with it minimised.
CpuFigures MeasureUiThread(const std::shared_ptr<const Core::InstallManifest>& manifest,
                           const Core::CommandLineOptions& options, ID2D1Factory* d2d, IDWriteFactory* dwrite,
                           std::chrono::seconds span) {
    Shell::Wizard wizard(manifest, options, Ui::Theme::Dark(), Program::BuildShellState(*manifest, options),
                         Core::EngineServices::System(), Shell::ShellPlatform::System());
    wizard.MakeProgressPage = Pages::MakeInstallProgressPage;
    wizard.Show(Pages::MakeInstallProgressPage(wizard));
    const int lastStep = static_cast<int>(wizard.State->Steps()->size());
    const auto finished = [&] {
        const auto page = wizard.CurrentPage();
        return page && page->Step() == lastStep;
    };
    Shell::InstallerWindow window(wizard);
    std::atomic<int> presented = 0;
    window.Presented = [&] { ++presented; };

    HANDLE ui = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &ui, THREAD_QUERY_INFORMATION, FALSE,
                    0);
    const DWORD uiThread = GetCurrentThreadId();
    CpuFigures figures;
    std::thread watcher([&] {
        HWND handle = nullptr;
        if (!WaitUntil([&] { return (handle = Shell::InstallerWindow::OfThread(uiThread, true)) != nullptr; },
                       std::chrono::seconds(30))) {
            wizard.RequestClose();
            return;
        }
        const auto measure = [&](Stretch& stretch) {
            const Clock::time_point start = Clock::now();
            const double cpu = CpuMs(ui);
            const int frames = presented;
            std::this_thread::sleep_for(span);
            stretch.seconds = std::chrono::duration<double>(Clock::now() - start).count();
            stretch.cpuPercent = (CpuMs(ui) - cpu) / (stretch.seconds * 10);
            stretch.frames = presented - frames;
            stretch.copying = !finished();
        };
        // The run under way first.
        std::this_thread::sleep_for(std::chrono::seconds(1));
        measure(figures.visible);
        ShowWindowAsync(handle, SW_MINIMIZE);
        WaitUntil([&] { return IsIconic(handle) != FALSE; }, std::chrono::seconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        measure(figures.minimised);
        ShowWindowAsync(handle, SW_RESTORE);
        WaitUntil(finished, std::chrono::minutes(10));
        wizard.RequestClose();
    });
    window.Run(d2d, dwrite, L"Установка " + manifest->ProductName, {});
    watcher.join();
    CloseHandle(ui);
    return figures;
}

void Print(const char* name, const Stretch& s) {
    std::printf("  UI thread, %-10s %5.1f%% of a core over %4.1f s, %4d frames presented%s\n", name, s.cpuPercent,
                s.seconds, s.frames, s.copying ? "" : " (the copy had ended: payload too small)");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    try {
        const int mebibytes = argc > 1 ? std::max(1, static_cast<int>(std::wcstol(argv[1], nullptr, 10))) : 1024;
        const fs::path root = fs::temp_directory_path() / "RqWindowBench";
        std::error_code ignored;
        fs::remove_all(root, ignored);
        fs::create_directories(root / "setup" / "payload" / "app");
        // The payload: many files of 4 MiB, so the engine reports progress and writes the journal
        // all along, the way a large application's installation does.
        {
            std::vector<char> block(4 << 20);
            for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>((i * 2654435761u) >> 24);
            for (int i = 0; i < mebibytes / 4; ++i) {
                std::ofstream file(root / "setup" / "payload" / "app" / ("part" + std::to_string(i) + ".bin"),
                                   std::ios::binary);
                file.write(block.data(), static_cast<std::streamsize>(block.size()));
            }
        }
        fs::copy_file(fs::path(argv[0]), root / "setup" / "setup.exe", fs::copy_options::overwrite_existing);
        Testing::FakeHost host((root / "setup" / "setup.exe").wstring());
        ScopedHost scope(host);

        const auto manifest = Bench::BenchManifest(L"Rq Window Bench", L"RqWindowBench");
        const Core::CommandLineOptions options = Bench::BenchOptions(root / "target");

        auto d2d = Interop::Graphics::CreateD2DFactory();
        auto dwrite = Interop::Graphics::CreateDWriteFactory();

        const Figures idle = Measure(
            manifest, options, d2d.Get(), dwrite.Get(),
            [](Shell::Wizard& w) { return Pages::MakePreviewProgressPage(w); },
            [](Shell::Wizard&, Clock::duration elapsed) { return elapsed > std::chrono::seconds(5); });
        const Figures installing = Measure(
            manifest, options, d2d.Get(), dwrite.Get(),
            [](Shell::Wizard& w) { return Pages::MakeInstallProgressPage(w); },
            [](Shell::Wizard& w, Clock::duration) {
                const auto page = w.CurrentPage();
                return page && page->Step() == static_cast<int>(w.State->Steps()->size());  // the result page
            });

        fs::remove_all(root / "target", ignored);
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\RqWindowBench");
        const CpuFigures cpu = MeasureUiThread(manifest, options, d2d.Get(), dwrite.Get(), std::chrono::seconds(3));

        std::printf("window 940x580, progress page, a payload of %d MiB in %d files\n", mebibytes / 4 * 4,
                    mebibytes / 4);
        Print("idle (preview, no run)", idle);
        Print("installing", installing);
        Print("visible", cpu.visible);
        Print("minimised", cpu.minimised);
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\RqWindowBench");
        fs::remove_all(root, ignored);
        return 0;
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
