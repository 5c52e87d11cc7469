// The uninstall page natively: what it found when it was made, its layout against the recording
// canvas, the keep-data box, and its two buttons.

#include <gtest/gtest.h>

#include "pages/pages.h"
#include "pages/progress_page.h"
#include "pages/uninstall_page.h"
#include "support/page_fixture.h"

namespace Ravenquill::Pages {
namespace {

using namespace Testing;
using Ravenquill::Testing::CanvasCall;
using Ravenquill::Testing::CanvasOp;
using Ravenquill::Testing::RecordingCanvas;

void ExpectRect(const Ui::Rect& actual, const Ui::Rect& expected, const std::string& what) {
    EXPECT_NEAR(actual.Left, expected.Left, 1e-3) << what;
    EXPECT_NEAR(actual.Top, expected.Top, 1e-3) << what;
    EXPECT_NEAR(actual.Right, expected.Right, 1e-3) << what;
    EXPECT_NEAR(actual.Bottom, expected.Bottom, 1e-3) << what;
}

Core::FoundInstallation Found() {
    Core::InstallRecord record;
    record.ProductName = L"Quillpad Classic";
    record.Version = L"3.0.0";
    record.Publisher = L"Raven Works";
    record.InstallDir = L"D:\\Tools\\Quillpad";
    for (int i = 0; i < 120; ++i) record.Files.push_back(L"file" + std::to_wstring(i));
    return {record, L"D:\\Tools\\Quillpad"};
}

const Ui::Rect RemoveButton{744, 488, 876, 524};
const Ui::Rect CancelButton{620, 488, 732, 524};

class UninstallPageTest : public RunFixture {
protected:
    RecordingCanvas Draw(Shell::IPage& page, Ui::Input input = {}) {
        RecordingCanvas canvas;
        page.Draw(canvas, input);
        return canvas;
    }
};

TEST_F(UninstallPageTest, LooksUpTheInstallationAndItsRunningProgramsOnceWhenMade) {
    engines_->Found = Found();
    engines_->OnFindProcesses = [](const std::wstring&) {
        return std::vector<Core::LockingProcess>{{5, L"quillpad", true}, {6, L"quillsync", true}};
    };
    UninstallPage page(*wizard_, engines_);
    Draw(page);
    Draw(page);
    const auto calls = engines_->Recorded();
    EXPECT_EQ(calls.ExplicitDirs, std::vector<std::optional<std::wstring>>{L"C:\\Apps\\Quillpad"});
    EXPECT_EQ(calls.SearchedDirectories, std::vector<std::wstring>{L"D:\\Tools\\Quillpad"});
    ASSERT_TRUE(page.Record());
    EXPECT_EQ(page.Running().size(), 2u);
    EXPECT_EQ(page.Step(), 1);
    EXPECT_FALSE(page.Animated());
}

TEST_F(UninstallPageTest, ARecordWithRunningProgramsFillsTheWholeBlock) {
    engines_->Found = Found();
    engines_->OnFindProcesses = [](const std::wstring&) {
        return std::vector<Core::LockingProcess>{{5, L"quillpad", true}, {6, L"quillsync", true}};
    };
    UninstallPage page(*wizard_, engines_);
    const RecordingCanvas canvas = Draw(page);

    // 35 + 92 + 12 + 40 + 104 + 24 + 42 + 16 + 41 = 406 px: more than there is room for, so the
    // block starts at the content's top.
    struct Text {
        std::wstring text;
        Ui::Rect rect;
    };
    const Text texts[] = {
        {L"Удалить Quillpad?", {328, 156, 876, 191}},
        {L"Будут удалены файлы приложения, ярлыки и запись в списке установленных программ. Это действие нельзя "
         L"отменить.",
         {328, 203, 856, 243}},
        {L"Quillpad Classic 3.0.0 · Raven Works", {344, 281, 860, 299}},
        {L"D:\\Tools\\Quillpad", {344, 305, 860, 323}},
        {L"120 файлов", {344, 331, 860, 347}},
        {L"Приложение запущено: quillpad, quillsync. Установщик предложит закрыть его перед удалением.",
         {368, 387 + (42 - 52 / 3.0f) / 2, 862, 387 + (42 + 52 / 3.0f) / 2}},
        {L"Сохранить пользовательские данные и настройки", {361, 450.5f, 876, 468.5f}},
        {L"Отмена", {620, 497, 732, 515}},
        {L"Удалить", {744, 497, 876, 515}},
    };
    const auto drawn = canvas.Of(CanvasOp::DrawText);
    ASSERT_EQ(drawn.size(), std::size(texts));
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        EXPECT_EQ(drawn[i].Text, texts[i].text);
        ExpectRect(drawn[i].Area, texts[i].rect, std::string("text ") + std::to_string(i));
    }
    const Ui::Theme& theme = wizard_->Theme;
    EXPECT_EQ(drawn[2].Style->Weight, 600u);
    EXPECT_TRUE(drawn[3].Style->Ellipsis);
    EXPECT_EQ(drawn[4].Color, theme.TextMuted);
    EXPECT_EQ(drawn[5].Color, theme.Warning);
    EXPECT_TRUE(drawn[5].Style->Ellipsis);

    struct Shape {
        CanvasOp op;
        Ui::Rect rect;
        std::uint32_t color;
    };
    const Shape shapes[] = {
        {CanvasOp::FillRoundedRect, {328, 64, 396, 132}, theme.Panel},
        {CanvasOp::StrokeRoundedRect, {328, 64, 396, 132}, theme.Border},
        {CanvasOp::DrawPath, {350, 86, 374, 110}, theme.Error},
        {CanvasOp::FillRoundedRect, {328, 267, 876, 371}, theme.Panel},
        {CanvasOp::StrokeRoundedRect, {328, 267, 876, 371}, theme.Border},
        {CanvasOp::FillRoundedRect, {328, 387, 876, 429}, theme.WarningSoft},
        {CanvasOp::StrokeRoundedRect, {328, 387, 876, 429}, theme.Warning},
        {CanvasOp::DrawPath, {342, 400, 358, 416}, theme.Warning},
    };
    std::vector<CanvasCall> drawnShapes;
    for (const CanvasCall& call : canvas.Calls)
        if (call.Op != CanvasOp::DrawText) drawnShapes.push_back(call);
    ASSERT_GE(drawnShapes.size(), std::size(shapes));
    for (std::size_t i = 0; i < std::size(shapes); ++i) {
        EXPECT_EQ(drawnShapes[i].Op, shapes[i].op) << i;
        ExpectRect(drawnShapes[i].Area, shapes[i].rect, std::string("shape ") + std::to_string(i));
        EXPECT_EQ(drawnShapes[i].Color, shapes[i].color) << i;
    }
    EXPECT_EQ(drawnShapes[2].Width, 1.4f);
    EXPECT_EQ(drawnShapes[7].Width, 1.3f);
}

TEST_F(UninstallPageTest, WithoutARecordOnlyTheExplanationAndACloseRemain) {
    UninstallPage page(*wizard_, engines_);
    EXPECT_FALSE(page.Record());
    EXPECT_TRUE(engines_->Recorded().SearchedDirectories.empty());

    // 35 + 92 + 12 + 40 = 179 px, centred: top at 64 + (398 - 179) / 2, rounded down.
    const RecordingCanvas canvas = Draw(page, ClickAt(RemoveButton));
    const auto drawn = canvas.Of(CanvasOp::DrawText);
    ASSERT_EQ(drawn.size(), 4u);
    EXPECT_EQ(drawn[0].Text, L"Установка не найдена");
    ExpectRect(drawn[0].Area, {328, 265, 876, 300}, "title");
    EXPECT_EQ(drawn[1].Text, L"Не удалось найти сведения об установленной версии. Возможно, приложение уже удалено.");
    ExpectRect(canvas.Of(CanvasOp::FillRoundedRect)[0].Area, {328, 173, 396, 241}, "icon tile");
    EXPECT_EQ(canvas.Of(CanvasOp::FillRoundedRect).size(), 2u) << "the tile and the disabled button only";
    EXPECT_EQ(wizard_->CurrentPage(), nullptr) << "a disabled «Удалить» does nothing";

    Draw(page, ClickAt(CancelButton));
    EXPECT_EQ(closeRequests_.load(), 1);
}

TEST_F(UninstallPageTest, TheKeepDataBoxDecidesWhatTheRemovalKeeps) {
    engines_->Found = Found();
    for (const bool untick : {false, true}) {
        SCOPED_TRACE(untick ? "unticked" : "kept");
        wizard_->Options.KeepData = true;  // as "--keep-data" sets it
        UninstallPage page(*wizard_, engines_);
        // No warning: 348 px, top at 89; the check box row at 89 + 92 + 35 + 12 + 40 + 24 + 104 + 20.
        const float rowTop = 89 + 92 + 35 + 12 + 40 + 24 + 104 + 20;
        const RecordingCanvas before = Draw(page);
        EXPECT_TRUE(before.TextCall(L"Сохранить пользовательские данные и настройки"));
        if (untick) Draw(page, ClickAt({330, rowTop, 876, rowTop + 21}));
        EXPECT_EQ(wizard_->Options.KeepData, !untick);

        Draw(page, ClickAt(RemoveButton));
        auto progress = std::dynamic_pointer_cast<ProgressPage>(wizard_->CurrentPage());
        ASSERT_TRUE(progress) << "«Удалить» shows the removal's progress page";
        Draw(*progress);
        EXPECT_TRUE(wizard_->Runs->WaitForAll(10s));
        EXPECT_EQ(engines_->Recorded().KeepUserData, !untick);
        const auto result = TextsOf(*wizard_->CurrentPage());
        EXPECT_NE(std::find(result.begin(), result.end(), L"Quillpad Classic удалён"), result.end());
    }
}

}  // namespace
}  // namespace Ravenquill::Pages
