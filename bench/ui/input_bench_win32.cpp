// The installer window answering its user while 20,000 small files install through it, with real
// input (SendInput, which waits in the input queue behind anything posted to the window): the time
// from Escape to the window hidden and to its end, and from a click on "Отмена" to the presented
// frame that took it and to the first presented frame of the cancelled page, the median of five runs
// each; and over the copying before the input, the progress page's frames per second and the
// longest gap between two presented frames. Figures only, never a pass or fail. Run in a virtual
// display:
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" tools/wine-run build/windows/bench/ui/input_bench.exe [files] [runs]
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/shell_startup.h"
#include "bench_installer.h"
#include "core/common/errors.h"
#include "core/common/host.h"
#include "core/engine/engines/engine_services.h"
#include "pages/pages.h"
#include "pages/progress_page.h"
#include "shell/installer_window_win32.h"
#include "shell/shell_platform.h"
#include "shell/wizard.h"
#include "support/fake_host.h"
#include "support/real_input_win32.h"
#include "support/wait_until.h"
#include "ui/graphics_win32.h"

namespace {

using namespace Ravenquill;
using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Testing::WaitUntil;

// "Отмена" of the progress page, right-aligned in the footer band (logical = device pixels at 96 DPI).
constexpr POINT CancelButton{876 - 40, 524 - 18};
// How long the copying runs before the input: the frames of this stretch give the frame figures.
constexpr auto CopyingBeforeInput = 3s;

enum class Input { Escape, Cancel };

struct Run {
    double inputToAnswerMs = -1;   // to the window hidden, or to the frame that took the click
    double inputToResultMs = -1;   // to the window's end, or to the result page on screen
    double inputToCleanUpMs = -1;  // to the end of Run: the run's clean-up waited for
    double fps = 0;
    double longestGapMs = 0;
    std::vector<double> gapsMs;
    bool copyingEndedFirst = false;
    bool installedAnyway = false;  // the input took effect only once the installation was done
};

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

Run RunOnce(Input input, const std::shared_ptr<const Core::InstallManifest>& manifest,
            const Core::CommandLineOptions& options, ID2D1Factory* d2d, IDWriteFactory* dwrite) {
    const fs::path target(options.InstallDir.value_or(L""));
    Shell::Wizard wizard(manifest, options, Ui::Theme::Dark(), Program::BuildShellState(*manifest, options),
                         Core::EngineServices::System(), Shell::ShellPlatform::System());
    wizard.MakeProgressPage = Pages::MakeInstallProgressPage;
    wizard.Show(Pages::MakeInstallProgressPage(wizard));
    const int lastStep = static_cast<int>(wizard.State->Steps()->size());
    Shell::InstallerWindow window(wizard);

    std::vector<Clock::time_point> presented;
    std::atomic<bool> resultShown = false;
    Clock::time_point resultShownAt{};
    Clock::time_point clickTakenAt{};
    window.Presented = [&] {
        const Clock::time_point now = Clock::now();
        presented.push_back(now);
        const auto page = wizard.CurrentPage();
        const auto progress = std::dynamic_pointer_cast<Pages::ProgressPage>(page);
        if (progress && progress->Cancelling() && clickTakenAt == Clock::time_point{}) clickTakenAt = now;
        if (!resultShown && page && page->Step() == lastStep) {
            resultShownAt = now;
            resultShown = true;
        }
    };

    Run run;
    Clock::time_point copyingAt{};
    Clock::time_point inputAt{};
    Clock::time_point windowHiddenAt{};
    Clock::time_point windowGoneAt{};
    const DWORD uiThread = GetCurrentThreadId();
    std::thread user([&] {
        HWND handle = nullptr;
        if (!WaitUntil([&] { return (handle = Shell::InstallerWindow::OfThread(uiThread, true)) != nullptr; }, 30s) ||
            !WaitUntil([&] { return fs::exists(target / "app" / "many"); }, 60s)) {
            std::fprintf(stderr, "the copying never began\n");
            wizard.RequestClose();
            return;
        }
        copyingAt = Clock::now();
        std::this_thread::sleep_for(CopyingBeforeInput);
        run.copyingEndedFirst = fs::exists(target / ".ravenquill" / "record.json");
        if (input == Input::Escape) {
            SetForegroundWindow(handle);
            WaitUntil([&] { return GetForegroundWindow() == handle; }, 5s);
            inputAt = Clock::now();
            Testing::SendKey(VK_ESCAPE);
            WaitUntil([&] { return !IsWindowVisible(handle); }, 120s, 100us);
            windowHiddenAt = Clock::now();
            WaitUntil([&] { return !IsWindow(handle); }, 120s, 100us);
            windowGoneAt = Clock::now();
        } else {
            RECT bounds{};
            GetWindowRect(handle, &bounds);
            Testing::SendPointerTo(POINT{bounds.left + CancelButton.x, bounds.top + CancelButton.y});
            std::this_thread::sleep_for(100ms);  // the move's own frame first
            inputAt = Clock::now();
            Testing::SendLeftClick();
            WaitUntil([&] { return resultShown.load(); }, 120s, 100us);
            wizard.RequestClose();
        }
    });
    window.Run(d2d, dwrite, L"Установка " + manifest->ProductName, {});
    const Clock::time_point ranOut = Clock::now();
    user.join();
    run.installedAnyway = fs::exists(target / ".ravenquill" / "record.json");

    if (inputAt != Clock::time_point{}) {
        run.inputToResultMs = Ms((input == Input::Escape ? windowGoneAt : resultShownAt) - inputAt);
        run.inputToCleanUpMs = Ms(ranOut - inputAt);
        if (input == Input::Escape) {
            run.inputToAnswerMs = Ms(windowHiddenAt - inputAt);
        } else {
            if (clickTakenAt != Clock::time_point{}) run.inputToAnswerMs = Ms(clickTakenAt - inputAt);
        }
    }
    // The frames while the files were being copied, before the input.
    std::vector<Clock::time_point> copying;
    for (const Clock::time_point t : presented)
        if (t >= copyingAt && t <= inputAt) copying.push_back(t);
    if (copying.size() >= 2) {
        for (std::size_t i = 1; i < copying.size(); ++i) run.gapsMs.push_back(Ms(copying[i] - copying[i - 1]));
        run.longestGapMs = *std::max_element(run.gapsMs.begin(), run.gapsMs.end());
        run.fps = (copying.size() - 1) / std::chrono::duration<double>(copying.back() - copying.front()).count();
    }
    std::error_code ignored;
    fs::remove_all(target, ignored);
    return run;
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void Report(const char* name, const char* answer, const char* result, const std::vector<Run>& runs) {
    std::vector<double> toAnswer, toResult, toCleanUp, fps, gaps;
    double longest = 0;
    int ended = 0;
    int installed = 0;
    std::printf("  %s:", name);
    for (const Run& r : runs) {
        std::printf(" %.0f", r.inputToResultMs);
        toAnswer.push_back(r.inputToAnswerMs);
        toResult.push_back(r.inputToResultMs);
        toCleanUp.push_back(r.inputToCleanUpMs);
        fps.push_back(r.fps);
        longest = std::max(longest, r.longestGapMs);
        gaps.insert(gaps.end(), r.gapsMs.begin(), r.gapsMs.end());
        ended += r.copyingEndedFirst ? 1 : 0;
        installed += r.installedAnyway ? 1 : 0;
    }
    std::printf(
        " ms\n    to %s: median %.0f ms; to %s: median %.0f ms; to the end of the run's clean-up: median "
        "%.0f ms\n",
        answer, Median(toAnswer), result, Median(toResult), Median(toCleanUp));
    std::sort(gaps.begin(), gaps.end());
    const double p95 = gaps.empty() ? 0 : gaps[gaps.size() * 95 / 100];
    std::printf(
        "    while copying: %.1f fps (median of the runs); gaps between frames: median %.1f ms, 95%% %.1f ms, "
        "longest %.1f ms\n",
        Median(fps), Median(gaps), p95, longest);
    if (installed > 0)
        std::printf("    (in %d runs the input took effect only once the installation was done)\n", installed);
    if (ended > 0) std::printf("    (in %d runs the copying had ended before the input: payload too small)\n", ended);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    try {
        const int files = argc > 1 ? std::max(100, static_cast<int>(std::wcstol(argv[1], nullptr, 10))) : 20'000;
        const int runs = argc > 2 ? std::max(1, static_cast<int>(std::wcstol(argv[2], nullptr, 10))) : 5;
        const fs::path root = fs::temp_directory_path() / "RqInputBench";
        std::error_code ignored;
        fs::remove_all(root, ignored);
        // The payload beside the program: many files of 100 bytes, each a progress and a journal
        // event, so the engine asks for frames as fast as it can.
        const fs::path many = root / "setup" / "payload" / "app" / "many";
        const std::string content(100, 'q');
        for (int i = 0; i < files; ++i) {
            const fs::path folder = many / ("d" + std::to_string(i / 1000));
            if (i % 1000 == 0) fs::create_directories(folder);
            const HANDLE file = CreateFileW((folder / ("f" + std::to_string(i) + ".txt")).c_str(), GENERIC_WRITE, 0,
                                            nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file == INVALID_HANDLE_VALUE) throw Exception(L"Cannot write the payload.");
            DWORD written = 0;
            WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
            CloseHandle(file);
        }
        fs::copy_file(fs::path(argv[0]), root / "setup" / "setup.exe", fs::copy_options::overwrite_existing);
        Testing::FakeHost host((root / "setup" / "setup.exe").wstring());
        ScopedHost scope(host);

        const auto manifest = Bench::BenchManifest(L"Rq Input Bench", L"RqInputBench");
        const Core::CommandLineOptions options = Bench::BenchOptions(root / "target");

        auto d2d = Interop::Graphics::CreateD2DFactory();
        auto dwrite = Interop::Graphics::CreateDWriteFactory();
        std::vector<Run> escape, cancel;
        for (int i = 0; i < runs; ++i) {
            escape.push_back(RunOnce(Input::Escape, manifest, options, d2d.Get(), dwrite.Get()));
            cancel.push_back(RunOnce(Input::Cancel, manifest, options, d2d.Get(), dwrite.Get()));
        }

        std::printf(
            "window 940x580, progress page, a payload of %d files of 100 bytes; input after %lld s of copying\n", files,
            static_cast<long long>(CopyingBeforeInput.count()));
        Report("Escape", "the window hidden", "the window's end", escape);
        Report("a click on \"Отмена\"", "the frame that took it", "the result page on screen", cancel);
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\RqInputBench");
        fs::remove_all(root, ignored);
        return 0;
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
