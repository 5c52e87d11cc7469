#include "shell/frame.h"

#include <gtest/gtest.h>

#include <memory>

#include "shell/support/fake_page.h"
#include "shell/support/fake_shell_platform.h"
#include "support/fake_engines.h"
#include "support/pointer_input.h"
#include "ui/canvas_recorder.h"

namespace Ravenquill::Shell {
namespace {

using Testing::CanvasOp;
using Testing::FakePage;
using Testing::RecordingCanvas;

struct FrameFixture : ::testing::Test {
    std::shared_ptr<ShellState> state = [] {
        auto s = std::make_shared<ShellState>();
        s->SetSteps({{1, L"Начало"}, {2, L"Готово"}});
        return s;
    }();
    Wizard wizard{std::make_shared<const Core::InstallManifest>(),
                  {},
                  Ui::Theme::Dark(),
                  state,
                  std::make_shared<Testing::FakeEngines>(),
                  std::make_shared<Testing::FakeShellPlatform>()};
    Chrome chrome{wizard.Theme};
    RecordingCanvas canvas;
    Ui::Input input;

    // (534, 327, 666, 363) is the primary button of a one-line dialog under the recorder's rule.
    std::shared_ptr<Dialog> MakeDialog(int& primaryClicks) {
        auto dialog = std::make_shared<Dialog>(L"Заголовок", L"Сообщение", L"Да", L"Нет");
        dialog->OnPrimary = [&primaryClicks] { ++primaryClicks; };
        return dialog;
    }
    bool ScrimDrawn() const {
        for (const auto& c : canvas.Calls)
            if (c.Op == CanvasOp::FillRect && c.Area == Chrome::CardRect && c.Color == wizard.Theme.Scrim) return true;
        return false;
    }
};

TEST_F(FrameFixture, WithoutADialogThePageGetsTheRealInput) {
    auto page = std::make_shared<FakePage>();
    wizard.Show(page);
    input = Testing::ClickAt(400, 200);
    input.Hot = true;  // left from the last frame: a frame starts with nothing hot
    DrawFrame(canvas, chrome, wizard, input);
    ASSERT_EQ(page->Inputs.size(), 1u);
    EXPECT_EQ(page->Inputs[0].X, 400);
    EXPECT_TRUE(page->Inputs[0].Clicked);
    EXPECT_FALSE(page->Inputs[0].Hot);
    EXPECT_FALSE(ScrimDrawn());
}

TEST_F(FrameFixture, UnderADialogThePageIsInertAndTheDialogTakesTheClick) {
    auto page = std::make_shared<FakePage>();
    wizard.Show(page);
    int clicks = 0;
    wizard.ShowDialog(MakeDialog(clicks));
    canvas.Measurer = [](std::wstring_view text, const Ui::TextStyle& style, float) {
        return std::pair<float, float>{10.0f * static_cast<float>(text.size()), style.Wrap ? 40.0f : 20.0f};
    };
    input = Testing::ClickAt(600, 340);
    DrawFrame(canvas, chrome, wizard, input);
    ASSERT_EQ(page->Inputs.size(), 1u);
    const Ui::Input& seen = page->Inputs[0];
    EXPECT_EQ(seen.X, -1);
    EXPECT_EQ(seen.Y, -1);
    EXPECT_FALSE(seen.Clicked || seen.Down || seen.Hot);
    EXPECT_TRUE(ScrimDrawn());
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(input.Hot);  // the dialog's button under the pointer
}

TEST_F(FrameFixture, TheDialogIsTakenOnceBeforeTheFrame) {
    auto page = std::make_shared<FakePage>();
    int clicks = 0;
    auto dialog = MakeDialog(clicks);
    page->OnDraw = [&](Ui::Canvas&, Ui::Input&) {
        if (!wizard.Dialog()) wizard.ShowDialog(dialog);
    };
    wizard.Show(page);
    DrawFrame(canvas, chrome, wizard, input);
    EXPECT_FALSE(ScrimDrawn());             // opened during this frame: shown by the next one
    EXPECT_FALSE(page->Inputs[0].X != -1);  // the real input, which points nowhere here
    canvas.Clear();
    DrawFrame(canvas, chrome, wizard, input);
    EXPECT_TRUE(ScrimDrawn());
}

TEST_F(FrameFixture, APageReplacedWhileItDrawsLivesUntilTheFrameEnds) {
    auto first = std::make_shared<FakePage>();
    std::weak_ptr<FakePage> firstAlive = first;
    bool aliveAfterShow = false;
    first->OnDraw = [&](Ui::Canvas&, Ui::Input&) {
        wizard.Show(std::make_shared<FakePage>(2));
        aliveAfterShow = !firstAlive.expired();
    };
    wizard.Show(std::move(first));
    DrawFrame(canvas, chrome, wizard, input);
    EXPECT_TRUE(aliveAfterShow);
    EXPECT_TRUE(firstAlive.expired());
    EXPECT_EQ(wizard.CurrentPage()->Step(), 2);
}

TEST_F(FrameFixture, ADialogClosedByItsOwnButtonIsDrawnToTheEndOfItsFrame) {
    wizard.Show(std::make_shared<FakePage>());
    auto dialog = std::make_shared<Dialog>(L"Заголовок", L"Сообщение", L"Да", L"Нет");
    std::weak_ptr<Dialog> dialogAlive = dialog;
    dialog->OnPrimary = [this] { wizard.CloseDialog(); };
    wizard.ShowDialog(std::move(dialog));
    canvas.Measurer = [](std::wstring_view text, const Ui::TextStyle& style, float) {
        return std::pair<float, float>{10.0f * static_cast<float>(text.size()), style.Wrap ? 40.0f : 20.0f};
    };
    input = Testing::ClickAt(600, 340);
    DrawFrame(canvas, chrome, wizard, input);
    EXPECT_EQ(wizard.Dialog(), nullptr);
    EXPECT_TRUE(canvas.TextCall(L"Нет"));  // the secondary button after the primary's action
    EXPECT_TRUE(dialogAlive.expired());
}

TEST_F(FrameFixture, AGivenPageAndDialogDrawAsTheWizardsWould) {
    auto page = std::make_shared<FakePage>();
    int clicks = 0;
    Ui::Input inert;
    DrawFrame(canvas, chrome, *state, page, MakeDialog(clicks), inert);
    EXPECT_EQ(page->Inputs.size(), 1u);
    EXPECT_TRUE(ScrimDrawn());
    EXPECT_TRUE(canvas.TextCall(L"Да"));
    EXPECT_FALSE(inert.Hot);

    canvas.Clear();
    DrawFrame(canvas, chrome, *state, nullptr, nullptr, inert);  // neither: the chrome alone
    EXPECT_FALSE(ScrimDrawn());
    EXPECT_EQ(canvas.Calls.back().Op, CanvasOp::StrokeRoundedRect);
}

}  // namespace
}  // namespace Ravenquill::Shell
