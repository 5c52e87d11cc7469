// The progress page natively: its layout against the recording canvas, its one run however often
// it is drawn, the journal, "Отмена", and the result page its run shows, with fake engines.

#include <gtest/gtest.h>

#include <cmath>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <numbers>

#include "core/common/errors.h"
#include "pages/pages.h"
#include "pages/progress_page.h"
#include "support/page_fixture.h"

namespace Ravenquill::Pages {
namespace {

using namespace Testing;
using Ravenquill::Testing::CanvasCall;
using Ravenquill::Testing::CanvasOp;
using Ravenquill::Testing::RecordingCanvas;

// An engine run that the test drives step by step from its own thread: each step runs on the
// worker, inside the engine call, until the test ends the run or the run is cancelled.
class Puppet {
public:
    using Step = std::function<void(const Core::EngineEvents&)>;

    // Runs the step on the worker and waits until it has run.
    void Do(Step step) {
        std::unique_lock lock(mutex_);
        steps_.push_back(std::move(step));
        const std::size_t target = ++queued_;
        wake_.notify_all();
        wake_.wait(lock, [&] { return done_ >= target; });
    }
    void Finish() {
        std::lock_guard lock(mutex_);
        finished_ = true;
        wake_.notify_all();
    }

    void Play(const Core::EngineEvents& events, CancellationToken token) {
        std::unique_lock lock(mutex_);
        for (;;) {
            // Polled, as the engines' own waits are.
            while (!finished_ && steps_.empty() && !token.stop_requested())
                wake_.wait_for(lock, CancellationPollInterval);
            ThrowIfCancellationRequested(token);
            if (steps_.empty()) return;
            Step step = std::move(steps_.front());
            steps_.pop_front();
            lock.unlock();
            step(events);
            lock.lock();
            ++done_;
            wake_.notify_all();
        }
    }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Step> steps_;
    std::size_t queued_ = 0;
    std::size_t done_ = 0;
    bool finished_ = false;
};

void ExpectRect(const Ui::Rect& actual, const Ui::Rect& expected, const std::string& what) {
    EXPECT_NEAR(actual.Left, expected.Left, 1e-3) << what;
    EXPECT_NEAR(actual.Top, expected.Top, 1e-3) << what;
    EXPECT_NEAR(actual.Right, expected.Right, 1e-3) << what;
    EXPECT_NEAR(actual.Bottom, expected.Bottom, 1e-3) << what;
}

const Ui::Rect CancelButton{764, 488, 876, 524};
const Ui::Rect JournalLinkAt{328, 488, 420, 524};  // inside both link texts' rectangles

class ProgressPageTest : public RunFixture {
protected:
    ProgressPageTest() {
        engines_->OnInstall = [this](const Core::InstallOptions& options, const Core::EngineEvents& events, auto&,
                                     CancellationToken token) {
            puppet_.Play(events, token);
            return Core::InstallRecord{.ProductName = L"Quillpad", .InstallDir = options.InstallDir};
        };
        engines_->OnUninstall = [this](auto&, bool, const Core::EngineEvents& events, CancellationToken token) {
            puppet_.Play(events, token);
        };
    }
    ~ProgressPageTest() override {
        puppet_.Finish();
        EXPECT_TRUE(wizard_->Runs->WaitForAll(30s)) << "a run did not end";
    }

    // Draws one frame with the input, which the page may mark Hot.
    static RecordingCanvas Draw(Shell::IPage& page, Ui::Input& input) {
        RecordingCanvas canvas;
        page.Draw(canvas, input);
        return canvas;
    }
    static RecordingCanvas Draw(Shell::IPage& page, Ui::Input&& input = {}) { return Draw(page, input); }

    // Waits until the worker has shown its result page and ended; the titles that page draws.
    std::vector<std::wstring> ResultTexts(const std::shared_ptr<Shell::IPage>& progress) {
        EXPECT_TRUE(wizard_->Runs->WaitForAll(10s));
        const auto page = wizard_->CurrentPage();
        EXPECT_NE(page, progress) << "no result page";
        return page && page != progress ? TextsOf(*page) : std::vector<std::wstring>{};
    }

    static bool Holds(const std::vector<std::wstring>& texts, const std::wstring& text) {
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }

    Puppet puppet_;
};

TEST_F(ProgressPageTest, ThePreviewLaysOutItsFixedStateAndNeverRuns) {
    auto page = MakePreviewProgressPage(*wizard_);
    for (int i = 0; i < 3; ++i) Draw(*page);
    RecordingCanvas canvas = Draw(*page);

    // Title 25 + 5 + subtitle 20 = 50 high: the block of 153 px starts at 187, the heading 2 px
    // above the spinner.
    struct Text {
        std::wstring text;
        Ui::Rect rect;
    };
    const Text texts[] = {
        {L"Устанавливаем Quillpad", {390, 185, 876, 210}},
        {L"Это займёт меньше минуты. Не выключайте компьютер.", {390, 215, 876, 235}},
        {L"Копирование файлов", {328, 267, 816, 286}},
        {L"46%", {328, 267, 876, 286}},
        {L"resources\\app.asar", {328, 314, 876, 331}},
        {L"Показать журнал", {328, 488 + (36 - 52 / 3.0f) / 2, 426, 488 + (36 + 52 / 3.0f) / 2}},
        {L"Отмена", {764, 488 + (36 - 18) / 2.0f, 876, 488 + (36 + 18) / 2.0f}},
    };
    const auto drawn = canvas.Of(CanvasOp::DrawText);
    ASSERT_EQ(drawn.size(), std::size(texts));
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        EXPECT_EQ(drawn[i].Text, texts[i].text);
        ExpectRect(drawn[i].Area, texts[i].rect, std::string("text ") + std::to_string(i));
    }
    const Ui::Theme& theme = wizard_->Theme;
    EXPECT_EQ(drawn[0].Style->Size, 19);
    EXPECT_TRUE(drawn[0].Style->Wrap);
    EXPECT_EQ(drawn[3].Style->Align, Ui::TextAlign::Right);
    EXPECT_EQ(drawn[4].Style->Family, L"Cascadia Mono");
    EXPECT_TRUE(drawn[4].Style->Ellipsis);
    EXPECT_EQ(drawn[5].Color, theme.TextSecondary);

    const auto ring = canvas.Of(CanvasOp::StrokeCircle);
    ASSERT_EQ(ring.size(), 1u);
    ExpectRect(ring[0].Area, {328, 187, 374, 233}, "spinner ring");
    EXPECT_EQ(ring[0].Width, 3);
    EXPECT_EQ(ring[0].Color, theme.Track);

    // The bar: the track, then 46 % of the content's width in the accent colour.
    const auto bars = canvas.Of(CanvasOp::FillRoundedRect);
    ASSERT_GE(bars.size(), 2u);
    ExpectRect(bars[0].Area, {328, 298, 876, 302}, "track");
    EXPECT_EQ(bars[0].Color, theme.Track);
    ExpectRect(bars[1].Area, {328, 298, 328 + 548 * 0.46f, 302}, "fill");
    EXPECT_EQ(bars[1].Color, theme.Accent);
    EXPECT_EQ(bars[1].Radius, 2);
    ExpectRect(bars[2].Area, CancelButton, "cancel button");

    EXPECT_EQ(engines_->Recorded().Installs, 0);
    EXPECT_FALSE(wizard_->Runs->Any());
    EXPECT_EQ(page->Step(), 3);
    EXPECT_TRUE(page->Animated());
}

TEST_F(ProgressPageTest, TheSpinnerIsAnArcOfTwentyTwoEqualDotsOnItsRing) {
    auto page = MakePreviewProgressPage(*wizard_);
    const auto dots = Draw(*page).Of(CanvasOp::FillCircle);
    ASSERT_EQ(dots.size(), 22u);
    const float cx = 351, cy = 210;
    double previous = 0;
    for (std::size_t i = 0; i < dots.size(); ++i) {
        EXPECT_EQ(dots[i].Radius, 1.5f);
        EXPECT_EQ(dots[i].Color, wizard_->Theme.Accent);
        const double x = (dots[i].Area.Left + dots[i].Area.Right) / 2 - cx;
        const double y = (dots[i].Area.Top + dots[i].Area.Bottom) / 2 - cy;
        EXPECT_NEAR(std::hypot(x, y), 21.5, 1e-3);
        const double angle = std::atan2(y, x) * 180 / std::numbers::pi;
        if (i > 0) {
            EXPECT_NEAR(std::remainder(angle - previous, 360.0), 1.4, 1e-3) << i;
        }
        previous = angle;
    }
}

TEST_F(ProgressPageTest, TheHeadingNamesWhatTheRunDoes) {
    struct Case {
        const char* name;
        bool existing;
        bool uninstall;
        std::wstring title;
        std::wstring subtitle;
    };
    const Case cases[] = {
        {"first installation", false, false, L"Устанавливаем Quillpad",
         L"Это займёт меньше минуты. Не выключайте компьютер."},
        {"update", true, false, L"Обновляем Quillpad", L"Это займёт меньше минуты. Не выключайте компьютер."},
        {"removal", true, true, L"Удаляем Quillpad", L"Удаляем файлы, ярлыки и записи в системе."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto wizard = MakeWizard(c.existing ? std::optional(Core::UninstallRegistry::InstalledEntry{L"C:\\Q", L"3.0"})
                                            : std::nullopt);
        auto page = ProgressPage::Create(*wizard, engines_,
                                         c.uninstall ? std::optional(Core::FoundInstallation{}) : std::nullopt);
        const auto texts = TextsOf(*page);
        ASSERT_GE(texts.size(), 2u);
        EXPECT_EQ(texts[0], c.title);
        EXPECT_EQ(texts[1], c.subtitle);
        EXPECT_EQ(texts[2], L"Подготовка…");
        EXPECT_EQ(texts[3], L"0%");
        puppet_.Finish();
        EXPECT_TRUE(wizard->Runs->WaitForAll(10s));
    }
}

TEST_F(ProgressPageTest, DrawingThePageOftenStartsOneRunThatEndsOnTheResultPage) {
    auto page = MakeInstallProgressPage(*wizard_);
    wizard_->Show(page);
    for (int i = 0; i < 5; ++i) Draw(*page);
    EXPECT_TRUE(wizard_->Runs->Any());
    puppet_.Finish();
    const auto texts = ResultTexts(page);
    EXPECT_TRUE(Holds(texts, L"Quillpad установлен"));
    Draw(*page);  // drawn once more by a frame that took it before the switch
    EXPECT_TRUE(wizard_->Runs->WaitForAll(10s));
    const auto calls = engines_->Recorded();
    EXPECT_EQ(calls.Installs, 1);
    ASSERT_TRUE(calls.InstallOptions);
    EXPECT_EQ(calls.InstallOptions->InstallDir, L"C:\\Apps\\Quillpad");
    EXPECT_EQ(calls.InstallOptions->MinimumDuration, std::chrono::milliseconds(1800));
    EXPECT_NE(calls.EngineThread, std::this_thread::get_id());
}

TEST_F(ProgressPageTest, TheRunLivesOnWithoutItsPageUntilItHasShownTheResult) {
    std::weak_ptr<Shell::IPage> watched;
    {
        auto page = MakeInstallProgressPage(*wizard_);
        watched = page;
        Draw(*page);
    }
    EXPECT_TRUE(watched.expired()) << "the run holds itself, not its page";
    puppet_.Do([](const Core::EngineEvents& events) { events.Log(L"still running"); });
    EXPECT_TRUE(wizard_->Runs->Any());
    puppet_.Finish();
    EXPECT_TRUE(wizard_->Runs->WaitForAll(10s));
    const auto result = wizard_->CurrentPage();
    ASSERT_NE(result, nullptr);
    EXPECT_TRUE(Holds(TextsOf(*result), L"Quillpad установлен"));
}

TEST_F(ProgressPageTest, ProgressMovesTheStatusBarAndDetailWithinTheTrack) {
    auto page = std::dynamic_pointer_cast<ProgressPage>(MakeInstallProgressPage(*wizard_));
    Draw(*page);
    struct Case {
        double fraction;
        float fill;  // 0: no fill drawn
        std::wstring percent;
    };
    const Case cases[] = {{0.25, 137, L"25%"}, {1.5, 548, L"150%"}, {-0.2, 0, L"-20%"}, {0, 0, L"0%"}};
    for (const Case& c : cases) {
        puppet_.Do([&](const Core::EngineEvents& events) {
            events.Progress(Core::InstallProgress(c.fraction, L"Копирование файлов", L"bin\\core.dll"));
        });
        const RecordingCanvas canvas = Draw(*page);
        EXPECT_TRUE(canvas.TextCall(c.percent)) << c.fraction;
        EXPECT_TRUE(canvas.TextCall(L"bin\\core.dll"));
        const auto bars = canvas.Of(CanvasOp::FillRoundedRect);
        const bool filled = bars.size() > 2 && bars[1].Color == wizard_->Theme.Accent;
        EXPECT_EQ(filled, c.fill > 0) << c.fraction;
        if (filled) {
            EXPECT_FLOAT_EQ(bars[1].Area.Right - bars[1].Area.Left, c.fill) << c.fraction;
        }
    }
    EXPECT_GT(redraws_.load(), 0);
}

TEST_F(ProgressPageTest, CancelPressedTwiceCancelsOnceAndTheDetailKeepsFollowing) {
    auto page = std::dynamic_pointer_cast<ProgressPage>(MakeInstallProgressPage(*wizard_));
    Draw(*page);
    puppet_.Do([](const Core::EngineEvents& events) {
        events.Progress(Core::InstallProgress(0.3, L"Копирование файлов", L"a.txt"));
    });

    // The engine is held inside a step while the page is pressed twice, and reports once more
    // afterwards, as an engine does until it reaches its next test of the token.
    std::promise<void> inStep;
    std::promise<void> pressed;
    std::thread engineStep([&] {
        puppet_.Do([&](const Core::EngineEvents& events) {
            inStep.set_value();
            pressed.get_future().wait();
            events.Progress(Core::InstallProgress(0.4, L"Копирование файлов", L"b.txt"));
        });
    });
    inStep.get_future().wait();
    Ui::Input first = ClickAt(CancelButton);
    Draw(*page, first);
    EXPECT_TRUE(first.Hot);
    EXPECT_TRUE(page->Cancelling());
    EXPECT_EQ(page->TakeSnapshot().Status, L"Отмена…");
    Ui::Input second = ClickAt(CancelButton);
    Draw(*page, second);
    EXPECT_FALSE(second.Hot) << "the button is disabled once pressed";
    pressed.set_value();
    engineStep.join();

    const auto snapshot = page->TakeSnapshot();
    EXPECT_EQ(snapshot.Status, L"Отмена…");
    EXPECT_EQ(snapshot.Detail, L"b.txt");
    EXPECT_DOUBLE_EQ(snapshot.Percent, 40);
    const auto texts = ResultTexts(page);
    EXPECT_TRUE(Holds(texts, L"Установка отменена"));
}

TEST_F(ProgressPageTest, ACancelledRemovalEndsOnTheRemovalsOwnCancelledPage) {
    wizard_->Options.KeepData = true;
    auto page = MakeUninstallProgressPage(*wizard_, {Core::InstallRecord{.ProductName = L"Quillpad"}, L""});
    Draw(*page);
    Draw(*page, ClickAt(CancelButton));
    const auto texts = ResultTexts(page);
    EXPECT_TRUE(Holds(texts, L"Удаление отменено"));
    EXPECT_FALSE(Holds(texts, L"Установка отменена"));
    EXPECT_EQ(engines_->Recorded().KeepUserData, true) << "the keep-data box is read when the run starts";
}

TEST_F(ProgressPageTest, TheJournalShowsTheNewestLinesThatFitAtTheBottomOfItsPanel) {
    auto page = std::dynamic_pointer_cast<ProgressPage>(MakeInstallProgressPage(*wizard_));
    Ui::Input toggle = ClickAt(JournalLinkAt);
    Draw(*page, toggle);
    EXPECT_TRUE(toggle.Hot);
    ASSERT_TRUE(page->ShowLog());

    // Before any progress: no detail line, and the panel still starts 37 px below its place.
    // With the journal open the block is 323 px high and starts at 102: detail line at 229.
    RecordingCanvas empty = Draw(*page);
    EXPECT_TRUE(empty.TextCall(L"Скрыть журнал"));
    const auto panels = empty.Of(CanvasOp::StrokeRoundedRect);
    ASSERT_FALSE(panels.empty());
    ExpectRect(panels[0].Area, {328, 266, 876, 416}, "journal panel");
    EXPECT_EQ(panels[0].Radius, 8);
    EXPECT_EQ(empty.Of(CanvasOp::DrawText).size(), 6u) << "title, subtitle, status, percent, link, button";

    puppet_.Do([](const Core::EngineEvents& events) {
        for (int i = 1; i <= 401; ++i) events.Log(L"line " + std::to_wstring(i));
        events.Log(std::wstring(100, L'x'));  // 575 px at 520: two lines
    });
    EXPECT_EQ(page->TakeSnapshot().Lines.size(), 400u);
    RecordingCanvas canvas = Draw(*page);
    std::vector<CanvasCall> lines;
    bool clipped = false;
    for (const CanvasCall& call : canvas.Calls) {
        if (call.Op == CanvasOp::PushAxisAlignedClip) {
            clipped = true;
            ExpectRect(call.Area, {328, 266, 876, 416}, "clip");
        }
        if (call.Op == CanvasOp::PopAxisAlignedClip) clipped = false;
        if (clipped && call.Op == CanvasOp::DrawText) lines.push_back(call);
    }
    // Newest first from 13 px above the panel's bottom; 31 + 3 for the wrapped line, 15 + 3 for
    // the others, until the panel's top is passed.
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0].Text, std::wstring(100, L'x'));
    ExpectRect(lines[0].Area, {342, 372, 862, 403}, "newest line");
    EXPECT_EQ(lines[1].Text, L"line 401");
    ExpectRect(lines[1].Area, {342, 354, 862, 369}, "second line");
    EXPECT_EQ(lines[6].Text, L"line 396");
    ExpectRect(lines[6].Area, {342, 264, 862, 279}, "last line, above the panel's top");
    EXPECT_TRUE(lines[6].Style->Wrap);
}

}  // namespace
}  // namespace Ravenquill::Pages
