#include "pages/finish_page.h"

#include <gtest/gtest.h>

#include "core/common/errors.h"
#include "pages/pages.h"
#include "pages/welcome_page.h"
#include "support/page_fixture.h"

namespace Ravenquill::Pages {
namespace {

using Testing::CanvasCall;
using Testing::CanvasOp;
using Testing::PageFixture;

constexpr Ui::Rect DoneButton{744, 488, 876, 524};
constexpr Ui::Rect RestartButton{608, 488, 732, 524};
constexpr Ui::Rect FolderLink{328, 488, 412, 524};
constexpr wchar_t LaunchLabel[] = L"Запустить приложение после завершения";
const std::wstring InstalledMessage =
    L"Версия 2.0 готова к работе. Ярлыки созданы, приложение зарегистрировано в системе.";

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

Core::InstallManifest LaunchManifest() {
    Core::InstallManifest manifest = Testing::PageManifest();
    manifest.MainExecutable = L"bin\\quill.exe";
    return manifest;
}

Core::InstallRecord Record() {
    Core::InstallRecord record;
    record.ProductName = L"Quill";
    record.Version = L"2.0";
    record.InstallDir = L"C:\\Apps\\Quill";
    return record;
}

std::shared_ptr<FinishPage> Finish(const std::shared_ptr<Shell::IPage>& page) {
    auto finish = std::dynamic_pointer_cast<FinishPage>(page);
    EXPECT_NE(finish, nullptr);
    return finish;
}

CanvasCall TextOf(const Testing::RecordingCanvas& canvas, const std::wstring& text) {
    const auto call = canvas.TextCall(text);
    EXPECT_TRUE(call.has_value()) << Narrow(text);
    return call.value_or(CanvasCall{});
}

TEST(FinishPage, FactoriesSetKindTitleMessageAndRecord) {
    PageFixture f;
    Shell::Wizard& w = *f.Wizard;
    struct Case {
        const char* Name;
        std::shared_ptr<Shell::IPage> Page;
        FinishKind Kind;
        std::wstring Title, Message;
        bool HasRecord;
    };
    const Case cases[] = {
        {"installed", MakeInstalledPage(w, Record()), FinishKind::Installed, L"Quill установлен", InstalledMessage,
         true},
        {"uninstalled", MakeUninstalledPage(w, Record()), FinishKind::Uninstalled, L"Quill удалён",
         L"Файлы, ярлыки и запись в списке установленных программ удалены.", false},
        {"installation cancelled", MakeInstallCancelledPage(w), FinishKind::Cancelled, L"Установка отменена",
         L"Скопированные файлы удалены — на диске ничего не осталось.", false},
        // An interrupted removal may have left files: it must not claim the disk is clean.
        {"removal cancelled", MakeUninstallCancelledPage(w), FinishKind::Cancelled, L"Удаление отменено",
         L"Удаление прервано: часть файлов приложения могла остаться на диске. Запустите удаление ещё раз, чтобы "
         L"завершить его.",
         false},
        {"failed", MakeFailedPage(w, L"Файл «app.asar» занят."), FinishKind::Failed, L"Не удалось завершить операцию",
         L"Файл «app.asar» занят.", false},
    };
    for (const Case& c : cases) {
        const auto page = Finish(c.Page);
        ASSERT_NE(page, nullptr) << c.Name;
        EXPECT_EQ(page->Kind, c.Kind) << c.Name;
        EXPECT_EQ(page->Title, c.Title) << c.Name;
        EXPECT_EQ(page->Message, c.Message) << c.Name;
        EXPECT_EQ(page->Record.has_value(), c.HasRecord) << c.Name;
        EXPECT_EQ(&page->Wizard, &w) << c.Name;
        EXPECT_EQ(page->Step(), 5) << c.Name;
        EXPECT_FALSE(page->Animated()) << c.Name;
    }
    f.State->SetSteps({{1, L"Подтверждение"}, {2, L"Удаление"}, {3, L"Готово"}});
    EXPECT_EQ(MakeUninstallCancelledPage(w)->Step(), 3);
}

TEST(FinishPage, ACancelledUpdateSaysTheEarlierVersionStaysAsItWas) {
    // Its clean-up puts the earlier version's files back, so nothing of it is gone from the disk.
    PageFixture f(Testing::PageManifest(), Testing::PayloadOf(2048, 3),
                  Core::UninstallRegistry::InstalledEntry{L"C:\\Apps\\Quill", L"1.0"});
    const auto page = Finish(MakeInstallCancelledPage(*f.Wizard));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->Kind, FinishKind::Cancelled);
    EXPECT_EQ(page->Title, L"Установка отменена");
    EXPECT_EQ(page->Message, L"Обновление прервано: установленная версия осталась без изменений.");
}

TEST(FinishPage, BadgeColourAndGlyphPerKind) {
    PageFixture f;
    const Ui::Theme& t = f.Wizard->Theme;
    const std::wstring check = L"M 0,5 L 4.2,9.2 L 12,1";
    const std::wstring triangle = L"M 8,1 L 15.5,14.5 L 0.5,14.5 Z M 8,6 L 8,10 M 8,12.2 L 8,12.6";
    struct Case {
        std::shared_ptr<Shell::IPage> Page;
        std::uint32_t Color;
        std::wstring Glyph;
        float Inset, Stroke;
    };
    const Case cases[] = {
        {MakeInstalledPage(*f.Wizard, Record()), t.Accent, check, 0, 2.4f},
        {MakeUninstalledPage(*f.Wizard, Record()), t.Accent, check, 0, 2.4f},
        {MakeInstallCancelledPage(*f.Wizard), t.Warning, triangle, 19, 1.6f},
        {MakeUninstallCancelledPage(*f.Wizard), t.Warning, triangle, 19, 1.6f},
        {MakeFailedPage(*f.Wizard, L"x"), t.Error, triangle, 19, 1.6f},
    };
    for (const Case& c : cases) {
        const auto canvas = Testing::DrawFrame(*c.Page);
        const auto circle = canvas.Of(CanvasOp::FillCircle);
        ASSERT_EQ(circle.size(), 1u);
        EXPECT_EQ(circle[0].Radius, 34);
        EXPECT_EQ(circle[0].Color, c.Color);
        const Ui::Rect badge = circle[0].Area;
        const CanvasCall glyph = canvas.Of(CanvasOp::DrawPath)[0];
        EXPECT_EQ(glyph.Text, c.Glyph);
        EXPECT_EQ(glyph.Color, t.OnAccent);
        EXPECT_EQ(glyph.Width, c.Stroke);
        const Ui::Rect expected = c.Inset == 0
                                      ? Ui::Rect{badge.Left + 20, badge.Top + 24, badge.Left + 48, badge.Top + 45}
                                      : Ui::Rect{badge.Left + 19, badge.Top + 19, badge.Left + 49, badge.Top + 49};
        EXPECT_EQ(glyph.Area, expected);
    }
}

// Title 35 high, message two lines of 20 (one for the short failure), card 62 + 24, launch 41.
TEST(FinishPage, MainBlockLayout) {
    struct Case {
        const char* Name;
        Core::InstallManifest Manifest;
        bool Installed;
        float Top;
        bool Card, Launch;
    };
    Core::InstallManifest noExe = LaunchManifest();
    noExe.MainExecutable = L"  ";
    Core::InstallManifest noOffer = LaunchManifest();
    noOffer.OfferLaunchAfterInstall = false;
    const Case cases[] = {
        {"installed", LaunchManifest(), true, 110, true, true},
        {"no main executable", noExe, true, 130, true, false},
        {"launch not offered", noOffer, true, 130, true, false},
        {"failed", LaunchManifest(), false, 183, false, false},
    };
    for (const Case& c : cases) {
        PageFixture f(c.Manifest);
        const auto page = c.Installed ? MakeInstalledPage(*f.Wizard, Record())
                                      : MakeFailedPage(*f.Wizard, L"Файл «app.asar» занят другим приложением.");
        const auto canvas = Testing::DrawFrame(*page);
        const float y = c.Top;
        const FinishPage& p = *Finish(page);
        EXPECT_EQ(canvas.Of(CanvasOp::FillCircle)[0].Area, (Ui::Rect{328, y, 396, y + 68})) << c.Name;
        const CanvasCall title = TextOf(canvas, p.Title);
        EXPECT_EQ(title.Area, (Ui::Rect{328, y + 92, 876, y + 127})) << c.Name;
        EXPECT_EQ(title.Style, Ui::TextStyle(L"Segoe UI Variable Display", 26, 600, p.Theme.Text, true));
        const float msgH = c.Installed ? 40 : 20;
        const CanvasCall message = TextOf(canvas, p.Message);
        EXPECT_EQ(message.Area, (Ui::Rect{328, y + 139, 856, y + 139 + msgH})) << c.Name;
        EXPECT_EQ(message.Style, Ui::TextStyle(L"Segoe UI Variable Text", 13.5f, 400, p.Theme.TextSecondary, true, 20));

        const auto card = canvas.TextCall(L"Установлено в");
        EXPECT_EQ(card.has_value(), c.Card) << c.Name;
        EXPECT_EQ(canvas.TextCall(LaunchLabel).has_value(), c.Launch) << c.Name;
        EXPECT_EQ(canvas.TextCall(L"Открыть папку").has_value(), c.Card) << c.Name;
        EXPECT_EQ(canvas.TextCall(L"Начать заново").has_value(), !c.Installed) << c.Name;
        if (!c.Card) continue;
        const float cardTop = y + 139 + msgH + 24;
        EXPECT_EQ(canvas.Of(CanvasOp::FillRoundedRect)[0].Area, (Ui::Rect{328, cardTop, 876, cardTop + 62}));
        EXPECT_EQ(card->Area, (Ui::Rect{344, cardTop + 14, 860, cardTop + 29}));
        const CanvasCall dir = TextOf(canvas, L"C:\\Apps\\Quill");
        EXPECT_EQ(dir.Area, (Ui::Rect{344, cardTop + 33, 860, cardTop + 51}));
        EXPECT_TRUE(dir.Style->Ellipsis);
        EXPECT_FALSE(dir.Style->Wrap);
        if (!c.Launch) continue;
        const float boxTop = cardTop + 62 + 22;
        const CanvasCall launch = TextOf(canvas, LaunchLabel);
        EXPECT_EQ(launch.Area.Left, 330 + 31);
        EXPECT_EQ(launch.Area.Right, 878);
        EXPECT_EQ(canvas.Of(CanvasOp::StrokeRoundedRect)[1].Area, (Ui::Rect{330, boxTop + 1, 349, boxTop + 20}));
    }
}

TEST(FinishPage, DoneLaunchesTheProgramWhenChosenThenCloses) {
    struct Case {
        const char* Name;
        std::optional<std::wstring> MainExecutable;
        bool Launch;
        std::optional<std::wstring> Started;
    };
    const Case cases[] = {
        {"ticked", L"bin\\quill.exe", true, L"C:\\Apps\\Quill\\bin\\quill.exe"},
        {"unticked", L"bin\\quill.exe", false, std::nullopt},
        {"rooted executable stands alone", L"D:\\Tools\\quill.exe", true, L"D:\\Tools\\quill.exe"},
        {"no main executable", std::nullopt, true, std::nullopt},
    };
    for (const Case& c : cases) {
        Core::InstallManifest manifest = LaunchManifest();
        manifest.MainExecutable = c.MainExecutable;
        PageFixture f(manifest);
        f.Wizard->Settings.LaunchAfterInstall = c.Launch;
        const auto page = MakeInstalledPage(*f.Wizard, Record());
        Testing::ClickOn(*page, DoneButton);
        EXPECT_EQ(f.Closes, 1) << c.Name;
        if (!c.Started) {
            EXPECT_TRUE(f.Platform->Starts.empty()) << c.Name;
            continue;
        }
        ASSERT_EQ(f.Platform->Starts.size(), 1u) << c.Name;
        const auto& start = f.Platform->Starts[0];
#ifndef _WIN32
        // The native build joins with '/', after the record's own '\' separators.
        EXPECT_TRUE(start.File == *c.Started || start.File == L"C:\\Apps\\Quill/bin\\quill.exe") << c.Name;
#else
        EXPECT_EQ(start.File, *c.Started) << c.Name;
#endif
        EXPECT_EQ(start.Arguments, std::nullopt);
        EXPECT_EQ(start.WorkingDirectory, L"C:\\Apps\\Quill") << c.Name;
    }
}

TEST(FinishPage, OnlyAnInstallationLaunchesAndAFailingStartStillCloses) {
    PageFixture f(LaunchManifest());
    f.Wizard->Settings.LaunchAfterInstall = true;
    Testing::ClickOn(*MakeUninstalledPage(*f.Wizard, Record()), DoneButton);
    Testing::ClickOn(*MakeFailedPage(*f.Wizard, L"x"), DoneButton);
    EXPECT_TRUE(f.Platform->Starts.empty());
    EXPECT_EQ(f.Closes, 2);

    f.Platform->StartFailure =
        std::make_exception_ptr(PlatformException(L"The system cannot find the file specified.", 2));
    EXPECT_NO_THROW(Testing::ClickOn(*MakeInstalledPage(*f.Wizard, Record()), DoneButton));
    EXPECT_EQ(f.Platform->Starts.size(), 1u);
    EXPECT_EQ(f.Closes, 3);
}

TEST(FinishPage, LaunchCheckBoxTogglesTheSetting) {
    PageFixture f(LaunchManifest());
    ASSERT_TRUE(f.Wizard->Settings.LaunchAfterInstall);
    const auto page = MakeInstalledPage(*f.Wizard, Record());
    Testing::ClickOn(*page, {330, 397, 878, 416});
    EXPECT_FALSE(f.Wizard->Settings.LaunchAfterInstall);
    Testing::ClickOn(*page, DoneButton);
    EXPECT_TRUE(f.Platform->Starts.empty());
}

TEST(FinishPage, OpenFolderStartsTheFileExplorerOnTheInstallDirectory) {
    PageFixture f(LaunchManifest());
    const auto page = MakeInstalledPage(*f.Wizard, Record());
    Ui::Input over = Testing::PointerAt(411, 490);
    Testing::RecordingCanvas hovered;
    page->Draw(hovered, over);
    EXPECT_TRUE(over.Hot);
    EXPECT_EQ(TextOf(hovered, L"Открыть папку").Color, f.Wizard->Theme.Text);
    EXPECT_EQ(TextOf(Testing::DrawFrame(*page), L"Открыть папку").Color, f.Wizard->Theme.TextSecondary);

    Testing::ClickOn(*page, FolderLink);
    ASSERT_EQ(f.Platform->Starts.size(), 1u);
    EXPECT_EQ(f.Platform->Starts[0],
              (Testing::FakeShellPlatform::ShellStart{L"explorer.exe", L"\"C:\\Apps\\Quill\"", std::nullopt}));
    EXPECT_EQ(f.Closes, 0);

    f.Platform->StartFailure = std::make_exception_ptr(InvalidOperationException(L"No file name."));
    EXPECT_NO_THROW(Testing::ClickOn(*page, FolderLink));
}

TEST(FinishPage, StartAgainShowsTheWelcomePageUnderTheSameRail) {
    PageFixture f;
    f.State->SetSteps({{1, L"Подтверждение"}, {2, L"Удаление"}, {3, L"Готово"}});
    const auto page = MakeUninstalledPage(*f.Wizard, Record());
    f.Wizard->Show(page);
    const auto canvas = Testing::DrawFrame(*page);
    const auto fills = canvas.Of(CanvasOp::FillRoundedRect);
    EXPECT_EQ(fills[fills.size() - 2].Area, DoneButton);
    EXPECT_EQ(fills.back().Area, RestartButton);
    Testing::ClickOn(*page, RestartButton);
    ASSERT_NE(std::dynamic_pointer_cast<WelcomePage>(f.Wizard->CurrentPage()), nullptr);
    const auto steps = f.State->Steps();
    ASSERT_EQ(steps->size(), 3u);
    EXPECT_TRUE((*steps)[0].IsActive);
    EXPECT_EQ((*steps)[1].Title, L"Удаление");
    EXPECT_EQ(f.Closes, 0);

    // After an installation there is no way back: "Готово" only.
    PageFixture g;
    const auto installed = MakeInstalledPage(*g.Wizard, Record());
    g.Wizard->Show(installed);
    Testing::ClickOn(*installed, RestartButton);
    EXPECT_EQ(g.Wizard->CurrentPage(), installed);
}

}  // namespace
}  // namespace Ravenquill::Pages
