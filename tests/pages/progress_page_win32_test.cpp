// The progress page's run against the real engines under Wine, without a window: the test thread
// draws the page (which starts the run) and answers its dialogs as the UI thread would.

#include <windows.h>

#include <gtest/gtest.h>

#include "core/engine/engines/install_engine.h"
#include "core/engine/install_test_support.h"
#include "pages/pages.h"
#include "shell/support/fake_shell_platform.h"
#include "shell/wizard.h"
#include "support/pointer_input.h"
#include "ui/canvas_recorder.h"

namespace Ravenquill::Pages {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Core::Testing::InstallSandbox;
using Core::Testing::ReadText;
using Ravenquill::Testing::CanvasOp;
using Ravenquill::Testing::RecordingCanvas;

std::string TestName() { return testing::UnitTest::GetInstance()->current_test_info()->name(); }

std::vector<std::wstring> TextsOf(Shell::IPage& page, Ui::Input input = {}) {
    RecordingCanvas canvas;
    page.Draw(canvas, input);
    std::vector<std::wstring> texts;
    for (const auto& call : canvas.Of(CanvasOp::DrawText)) texts.push_back(call.Text);
    return texts;
}

bool Holds(const std::vector<std::wstring>& texts, std::wstring_view prefix) {
    return std::any_of(texts.begin(), texts.end(), [&](const std::wstring& t) { return t.starts_with(prefix); });
}

class ProgressPageRunTest : public testing::Test {
protected:
    ProgressPageRunTest() : sandbox_(TestName()) {
        sandbox_.AddPayload("app.exe", "app v2");
        sandbox_.AddPayload("docs\\guide.txt", "guide v2");
        sandbox_.Manifest().MainExecutable = L"app.exe";
        Core::CommandLineOptions options;
        options.InstallDir = sandbox_.Target().wstring();
        options.PerMachine = false;
        auto state = std::make_shared<Shell::ShellState>();
        state->SetSteps({{1, L"Начало"}, {2, L"Параметры"}, {3, L"Установка"}, {4, L"Готово"}});
        wizard_ = std::make_unique<Shell::Wizard>(sandbox_.Options().Manifest, options, Ui::Theme::Dark(), state,
                                                  Core::EngineServices::System(),
                                                  std::make_shared<Ravenquill::Testing::FakeShellPlatform>());
    }
    ~ProgressPageRunTest() override { EXPECT_TRUE(wizard_->Runs->WaitForAll(60s)); }

    // Starts the run on the page's first frame; the result page once the run has ended.
    std::shared_ptr<Shell::IPage> Run(const std::function<void(Shell::IPage&)>& meanwhile = {}) {
        auto page = MakeInstallProgressPage(*wizard_);
        wizard_->Show(page);
        TextsOf(*page);
        if (meanwhile) meanwhile(*page);
        EXPECT_TRUE(wizard_->Runs->WaitForAll(60s)) << "the run did not end";
        auto result = wizard_->CurrentPage();
        EXPECT_NE(result, page);
        return result;
    }

    std::shared_ptr<Shell::Dialog> NextDialog() {
        const auto end = std::chrono::steady_clock::now() + 30s;
        while (std::chrono::steady_clock::now() < end) {
            if (auto dialog = wizard_->Dialog()) return dialog;
            std::this_thread::sleep_for(5ms);
        }
        ADD_FAILURE() << "no dialog was shown";
        return nullptr;
    }

    InstallSandbox sandbox_;
    std::unique_ptr<Shell::Wizard> wizard_;
};

TEST_F(ProgressPageRunTest, AnInstallationEndsOnTheInstalledPage) {
    const auto result = Run();
    ASSERT_TRUE(result);
    EXPECT_TRUE(Holds(TextsOf(*result), sandbox_.ProductName() + L" установлен"));
    EXPECT_EQ(ReadText(sandbox_.Target() / "app.exe"), "app v2");
    EXPECT_TRUE(Core::InstallRecord::Load(sandbox_.Target().wstring()));
}

TEST_F(ProgressPageRunTest, ALockedFileAnsweredCancelEndsOnTheFailedPageWithTheEnginesMessage) {
    {
        Core::InstallEngine earlier;
        earlier.Install(sandbox_.Options());
    }
    const fs::path locked = sandbox_.Target() / "app.exe";
    HANDLE holder = CreateFileW(locked.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    sandbox_.AddPayload("app.exe", "app v3");

    // The test process runs from no folder of the target, and Wine's Restart Manager names no
    // holder: the question without a list.
    const auto result = Run([&](Shell::IPage&) {
        const auto dialog = NextDialog();
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->Title, L"Файл занят");
        EXPECT_EQ(dialog->PrimaryText, L"Повторить");
        dialog->OnSecondary();
    });
    CloseHandle(holder);
    ASSERT_TRUE(result);
    const auto texts = TextsOf(*result);
    EXPECT_TRUE(Holds(texts, L"Не удалось завершить операцию"));
    EXPECT_TRUE(Holds(texts, L"Файл «app.exe» занят другим приложением. "));
    EXPECT_EQ(ReadText(locked), "app v2") << "the earlier installation stays as it was";
}

TEST_F(ProgressPageRunTest, CancellingEndsOnTheCancelledPageAndLeavesNothingBehind) {
    const auto before = sandbox_.Snapshot();
    const auto result = Run([&](Shell::IPage& page) {
        // Once everything is in place, while the run holds out its minimum duration: the engine
        // sees the stop there and takes it all away again.
        const fs::path record = Core::InstallRecord::PathFor(sandbox_.Target().wstring());
        const auto end = std::chrono::steady_clock::now() + 30s;
        while (!fs::exists(record) && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(2ms);
        ASSERT_TRUE(fs::exists(record));
        TextsOf(page, Testing::ClickAt(800, 500));
    });
    ASSERT_TRUE(result);
    EXPECT_TRUE(Holds(TextsOf(*result), L"Установка отменена"));
    EXPECT_EQ(sandbox_.Snapshot(), before);
}

TEST_F(ProgressPageRunTest, TheUninstallPageRemovesTheInstallationItFound) {
    const auto before = sandbox_.Snapshot();
    {
        Core::InstallEngine earlier;
        earlier.Install(sandbox_.Options());
    }
    auto confirm = MakeUninstallPage(*wizard_);
    TextsOf(*confirm, Testing::ClickAt(800, 500));
    auto progress = wizard_->CurrentPage();
    ASSERT_NE(progress, confirm) << "«Удалить» shows the progress page";
    TextsOf(*progress);
    ASSERT_TRUE(wizard_->Runs->WaitForAll(60s));
    const auto result = wizard_->CurrentPage();
    ASSERT_NE(result, progress);
    EXPECT_TRUE(Holds(TextsOf(*result), sandbox_.ProductName() + L" удалён"));
    EXPECT_FALSE(fs::exists(sandbox_.Target() / "app.exe"));
    EXPECT_FALSE(Core::InstallRecord::Load(sandbox_.Target().wstring()));
    auto after = sandbox_.Snapshot();
    EXPECT_FALSE(after.Entry);
    EXPECT_EQ(after.StartMenu, before.StartMenu);
}

}  // namespace
}  // namespace Ravenquill::Pages
