// The window itself, in this process: its message loop runs on the test's thread while a second
// thread plays the user and the engine.
#include "shell/installer_window_win32.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "shell/support/fake_page.h"
#include "shell/support/fake_shell_platform.h"
#include "support/fake_engines.h"
#include "support/wait_until.h"
#include "ui/graphics_win32.h"

namespace Ravenquill::Shell {
namespace {

using namespace std::chrono_literals;
namespace Graphics = Interop::Graphics;

using Ravenquill::Testing::WaitUntil;

struct WindowFixture : ::testing::Test {
    Interop::ComPtr<ID2D1Factory> d2d = Graphics::CreateD2DFactory();
    Interop::ComPtr<IDWriteFactory> dwrite = Graphics::CreateDWriteFactory();
    std::shared_ptr<ShellState> state = std::make_shared<ShellState>();
    std::unique_ptr<Wizard> wizard;
    // An animated page, as the progress page is while it copies.
    std::shared_ptr<Ravenquill::Testing::FakePage> page = std::make_shared<Ravenquill::Testing::FakePage>(3, true);
    std::atomic<int> draws = 0;

    WindowFixture() {
        state->SetSteps({{1, L"Начало"}, {2, L"Параметры"}, {3, L"Установка"}, {4, L"Готово"}});
        wizard =
            std::make_unique<Wizard>(std::make_shared<const Core::InstallManifest>(), Core::CommandLineOptions{},
                                     Ui::Theme::Dark(), state, std::make_shared<Ravenquill::Testing::FakeEngines>(),
                                     std::make_shared<Ravenquill::Testing::FakeShellPlatform>());
        page->OnDraw = [this](Ui::Canvas&, Ui::Input&) { ++draws; };
        wizard->Show(page);
    }

    // Runs the window until the user closes it; user runs on a thread of its own with the window.
    template <class User>
    void RunWith(User user) {
        InstallerWindow window(*wizard);
        const DWORD uiThread = GetCurrentThreadId();
        std::thread driver([&] {
            HWND handle = nullptr;
            if (WaitUntil([&] { return (handle = InstallerWindow::OfThread(uiThread, true)) != nullptr; }, 30s))
                user(handle);
            else
                ADD_FAILURE() << "the window never showed";
            wizard->RequestClose();
        });
        EXPECT_EQ(window.Run(d2d.Get(), dwrite.Get(), L"Установка", {}), 0);
        driver.join();
    }
};

TEST_F(WindowFixture, AMinimisedWindowDrawsNoFramesAndDrawsOnceWhenRestored) {
    RunWith([&](HWND window) {
        ASSERT_TRUE(WaitUntil([&] { return draws > 10; })) << "the animation runs";
        ShowWindowAsync(window, SW_MINIMIZE);
        ASSERT_TRUE(WaitUntil([&] { return IsIconic(window) != FALSE; }));
        // A frame under way as the window went is let through.
        std::this_thread::sleep_for(200ms);
        const int minimised = draws;
        // The engine goes on reporting meanwhile.
        for (int i = 0; i < 50; ++i) {
            wizard->RequestRedraw();
            std::this_thread::sleep_for(10ms);
        }
        std::this_thread::sleep_for(300ms);
        EXPECT_EQ(draws, minimised) << "frames drawn while nobody can see them";

        ShowWindowAsync(window, SW_RESTORE);
        ASSERT_TRUE(WaitUntil([&] { return IsIconic(window) == FALSE; }));
        EXPECT_TRUE(WaitUntil([&] { return draws > minimised; }, 2s)) << "no frame on restoring";
        EXPECT_TRUE(WaitUntil([&] { return draws > minimised + 10; }, 5s)) << "the animation did not resume";
    });
}

TEST_F(WindowFixture, AClickDuringAModalLoopInsideAFrameWaitsForTheFrameAndTheFrameDoesNotClickTwice) {
    // A click on the first button runs a modal loop inside its frame, as a message box does; the
    // user clicks the second meanwhile, and the animation asks for frames.
    const Ui::Rect first{400, 300, 500, 340}, second{600, 300, 700, 340};
    std::atomic<int> firstClicks = 0, secondClicks = 0;
    std::atomic<bool> modal = false, modalDone = false;
    page->OnDraw = [&](Ui::Canvas&, Ui::Input& input) {
        ++draws;
        if (input.Track(second).Clicked) ++secondClicks;
        if (!input.Track(first).Clicked) return;
        // A second click would run the loop again, and a frame asked for in that one once more.
        if (++firstClicks > 1) return;
        modal = true;
        const auto end = std::chrono::steady_clock::now() + 700ms;
        while (std::chrono::steady_clock::now() < end) {
            MSG message{};
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
            Sleep(5);
        }
        modal = false;
        modalDone = true;
    };
    RunWith([&](HWND window) {
        const auto click = [&](const Ui::Rect& r) {
            const LPARAM at = MAKELPARAM(static_cast<int>(r.Left + 10), static_cast<int>(r.Top + 10));
            PostMessageW(window, WM_MOUSEMOVE, 0, at);
            PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
            PostMessageW(window, WM_LBUTTONUP, 0, at);
        };
        ASSERT_TRUE(WaitUntil([&] { return draws > 2; }));
        click(first);
        ASSERT_TRUE(WaitUntil([&] { return modal.load(); }));
        click(second);
        ASSERT_TRUE(WaitUntil([&] { return modalDone.load(); }));
        EXPECT_TRUE(WaitUntil([&] { return secondClicks == 1; }, 3s)) << "the click during the frame was lost";
        std::this_thread::sleep_for(300ms);
        EXPECT_EQ(firstClicks, 1) << "a frame drawn after the modal loop clicked again";
        EXPECT_EQ(secondClicks, 1);
    });
}

}  // namespace
}  // namespace Ravenquill::Shell
