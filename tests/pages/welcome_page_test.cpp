#include "pages/welcome_page.h"

#include <gtest/gtest.h>

#include "core/common/errors.h"
#include "core/engine/engines/install_engine.h"
#include "pages/options_page.h"
#include "support/page_fixture.h"

namespace Ravenquill::Pages {
namespace {

using Testing::CanvasCall;
using Testing::CanvasOp;
using Testing::PageFixture;
using Testing::PayloadOf;

constexpr Ui::Rect ConfigureButton{620, 488, 732, 524};
constexpr Ui::Rect InstallButton{744, 488, 876, 524};

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

CanvasCall TextOf(const Testing::RecordingCanvas& canvas, const std::wstring& text) {
    const auto call = canvas.TextCall(text);
    EXPECT_TRUE(call.has_value()) << Narrow(text);
    return call.value_or(CanvasCall{});
}

TEST(WelcomePage, TextsForANewInstallationAndAnUpdate) {
    struct Case {
        const char* Name;
        std::optional<std::wstring> Tagline;
        std::optional<std::wstring> ExistingVersion;
        std::wstring Title, Description, Primary;
    };
    const std::wstring standard =
        L"Мастер установит Quill 2.0 на этот компьютер. Нажмите «Установить», чтобы "
        L"продолжить с параметрами по умолчанию.";
    const Case cases[] = {
        {"new", std::nullopt, std::nullopt, L"Установка Quill", standard, L"Установить"},
        {"tagline", L"Пишет быстро.", std::nullopt, L"Установка Quill", L"Пишет быстро.", L"Установить"},
        {"empty tagline", L"", std::nullopt, L"Установка Quill", L"", L"Установить"},
        {"update wins over a tagline", L"Пишет быстро.", L"1.2", L"Обновление Quill",
         L"На компьютере найдена версия 1.2. Она будет обновлена до версии 2.0. Настройки и данные сохранятся.",
         L"Обновить"},
    };
    for (const Case& c : cases) {
        Core::InstallManifest manifest = Testing::PageManifest();
        manifest.Tagline = c.Tagline;
        std::optional<Core::UninstallRegistry::InstalledEntry> existing;
        if (c.ExistingVersion)
            existing = Core::UninstallRegistry::InstalledEntry{L"C:\\Apps\\Quill", *c.ExistingVersion};
        PageFixture f(manifest, PayloadOf(2048, 3), existing);
        const WelcomePage page(*f.Wizard);
        EXPECT_EQ(page.Title(), c.Title) << c.Name;
        EXPECT_EQ(page.Description(), c.Description) << c.Name;
        EXPECT_EQ(page.PrimaryLabel(), c.Primary) << c.Name;
    }
}

TEST(WelcomePage, ScopeAndSizeTexts) {
    PageFixture f;
    WelcomePage page(*f.Wizard);
    EXPECT_EQ(page.ScopeText(), L"Только для текущего пользователя");
    f.Wizard->Settings.PerMachine = true;
    EXPECT_EQ(page.ScopeText(), L"Для всех пользователей компьютера");

    // The word after the count never changes.
    struct Case {
        Core::PayloadSummary Payload;
        std::wstring Size;
        bool Missing;
    };
    const Case cases[] = {
        {PayloadOf(2048, 3), L"2 КБ · 3 файлов", false},
        {PayloadOf(2048, 1), L"2 КБ · 1 файлов", false},
        {PayloadOf(0, 0), Core::InstallEngine::FormatSize(0) + L" · 0 файлов", false},
        {Core::PayloadSummary{}, L"Пакет с файлами не найден", true},
    };
    for (const Case& c : cases) {
        PageFixture g(Testing::PageManifest(), c.Payload);
        const WelcomePage p(*g.Wizard);
        EXPECT_EQ(p.SizeText(), c.Size);
        EXPECT_EQ(p.PayloadMissing(), c.Missing);
    }
}

// With the recording canvas's measure (a unit is Size / 2 wide, a line Size × 4 / 3 high or the
// style's line height): title 35 high, description two lines of 20, info card 131 high.
TEST(WelcomePage, MainBlockIsCentredAndMovesUpForTheWarningCard) {
    struct Case {
        const char* Name;
        Core::PayloadSummary Payload;
        float Top;
    };
    const Case cases[] = {{"payload", PayloadOf(2048, 3), 139}, {"no payload", Core::PayloadSummary{}, 110}};
    for (const Case& c : cases) {
        PageFixture f(Testing::PageManifest(), c.Payload);
        WelcomePage page(*f.Wizard);
        auto canvas = Testing::DrawFrame(page);
        const float y = c.Top;
        EXPECT_EQ(TextOf(canvas, page.Title()).Area, (Ui::Rect{328, y, 876, y + 35})) << c.Name;
        const CanvasCall description = TextOf(canvas, page.Description());
        EXPECT_EQ(description.Area, (Ui::Rect{328, y + 49, 856, y + 89})) << c.Name;
        EXPECT_EQ(description.Style,
                  Ui::TextStyle(L"Segoe UI Variable Text", 13.5f, 400, page.Theme.TextSecondary, true, 20));
        EXPECT_EQ(TextOf(canvas, page.Title()).Style,
                  Ui::TextStyle(L"Segoe UI Variable Display", 26, 600, page.Theme.Text, true));
        EXPECT_EQ(page.MeasureInfoCard(canvas, 548), 131);
        const auto fills = canvas.Of(CanvasOp::FillRoundedRect);
        ASSERT_FALSE(fills.empty());
        EXPECT_EQ(fills[0].Area, (Ui::Rect{328, y + 115, 876, y + 246})) << c.Name;
        EXPECT_EQ(fills[0].Color, page.Theme.Panel);
        const auto warning = canvas.TextCall(L"Пакет с файлами приложения не найден — установка недоступна.");
        EXPECT_EQ(warning.has_value(), page.PayloadMissing()) << c.Name;
        if (!warning) continue;
        // 42 px high, 16 below the card; the triangle and the text centred in it.
        EXPECT_EQ(fills[1].Area, (Ui::Rect{328, y + 262, 876, y + 304}));
        EXPECT_EQ(fills[1].Color, page.Theme.WarningSoft);
        const auto paths = canvas.Of(CanvasOp::DrawPath);
        EXPECT_EQ(paths.back().Area, (Ui::Rect{342, y + 275, 358, y + 291}));
        EXPECT_EQ(paths.back().Color, page.Theme.Warning);
        const float textH = 13.0f * 4 / 3;
        EXPECT_EQ(warning->Area, (Ui::Rect{368, y + 262 + (42 - textH) / 2, 862, y + 262 + (42 - textH) / 2 + textH}));
        EXPECT_EQ(warning->Color, page.Theme.Warning);
    }
}

TEST(WelcomePage, InfoCardLaysOutDirectoryScopeAndSize) {
    PageFixture f;
    WelcomePage page(*f.Wizard);
    const auto canvas = Testing::DrawFrame(page);
    const Ui::Theme& t = page.Theme;
    // The card spans (328, 254, 876, 385).
    EXPECT_EQ(canvas.Of(CanvasOp::StrokeRoundedRect)[0].Area, (Ui::Rect{328, 254, 876, 385}));
    const auto folder = canvas.Of(CanvasOp::DrawPath)[0];
    EXPECT_EQ(folder.Area, (Ui::Rect{346, 272, 362, 288}));
    EXPECT_EQ(folder.Width, 1.3f);
    EXPECT_EQ(folder.Color, t.Accent);
    EXPECT_EQ(canvas.Of(CanvasOp::FillRect)[0].Area, (Ui::Rect{346, 319, 858, 320}));  // divider
    struct Expected {
        std::wstring Text;
        Ui::Rect Area;
        std::uint32_t Color;
        bool Wrap, Ellipsis;
    };
    const Expected texts[] = {
        {L"Каталог установки", {374, 270, 858, 285}, t.TextMuted, false, false},
        {L"C:\\Apps\\Quill", {374, 288, 858, 305}, t.Text, false, true},
        {L"Область установки", {346, 334, 602, 349}, t.TextMuted, false, false},
        {L"Только для текущего пользователя", {346, 352, 602, 369}, t.Text, true, false},
        {L"Размер", {602, 334, 858, 349}, t.TextMuted, false, false},
        {L"2 КБ · 3 файлов", {602, 352, 858, 369}, t.Text, false, false},
    };
    for (const Expected& e : texts) {
        const CanvasCall call = TextOf(canvas, e.Text);
        EXPECT_EQ(call.Area, e.Area) << Narrow(e.Text);
        EXPECT_EQ(call.Color, e.Color) << Narrow(e.Text);
        EXPECT_EQ(call.Style->Wrap, e.Wrap) << Narrow(e.Text);
        EXPECT_EQ(call.Style->Ellipsis, e.Ellipsis) << Narrow(e.Text);
        EXPECT_EQ(call.Style->Size, e.Color == t.TextMuted ? 11.5f : 13) << Narrow(e.Text);
    }
}

TEST(WelcomePage, LongScopeTextWrapsInItsColumnAndMakesTheCardTaller) {
    PageFixture f;
    WelcomePage page(*f.Wizard);
    Testing::RecordingCanvas canvas;
    const float plain = page.MeasureInfoCard(canvas, 548);
    // A column of 100 px: the scope text (32 units of 6.5) needs three lines of 17.33.
    EXPECT_EQ(page.MeasureInfoCard(canvas, 236), plain - 17 + 52);
    // A long directory never wraps: it is cut with an ellipsis on its one line.
    f.Wizard->Settings.InstallDir = std::wstring(200, L'x');
    EXPECT_EQ(page.MeasureInfoCard(canvas, 548), plain);
}

TEST(WelcomePage, FooterButtonsAndWhatTheyDo) {
    PageFixture f;
    auto page = std::make_shared<WelcomePage>(*f.Wizard);
    f.Wizard->Show(page);
    auto canvas = Testing::DrawFrame(*page);
    EXPECT_EQ(TextOf(canvas, L"Настроить").Area.Left, ConfigureButton.Left);
    const auto fills = canvas.Of(CanvasOp::FillRoundedRect);
    EXPECT_EQ(fills[fills.size() - 2].Area, ConfigureButton);
    EXPECT_EQ(fills.back().Area, InstallButton);
    EXPECT_EQ(fills.back().Color, page->Theme.Accent);

    Testing::ClickOn(*page, ConfigureButton);
    const auto options = std::dynamic_pointer_cast<OptionsPage>(f.Wizard->CurrentPage());
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(options->Scroll, 0);
    EXPECT_EQ(&options->Wizard, f.Wizard.get());

    Testing::ClickOn(*page, InstallButton);
    EXPECT_EQ(f.Wizard->CurrentPage(), f.Progress);
}

TEST(WelcomePage, WithoutPayloadInstallIsDisabledAndConfigureStillWorks) {
    PageFixture f(Testing::PageManifest(), Core::PayloadSummary{});
    auto page = std::make_shared<WelcomePage>(*f.Wizard);
    f.Wizard->Show(page);
    Ui::Input input = Testing::ClickAt(800, 500);
    Testing::RecordingCanvas canvas;
    page->Draw(canvas, input);
    EXPECT_EQ(f.Wizard->CurrentPage(), page);
    EXPECT_FALSE(input.Hot);
    EXPECT_EQ(canvas.Of(CanvasOp::FillRoundedRect).back().Color, page->Theme.Hover);
    Testing::ClickOn(*page, ConfigureButton);
    EXPECT_NE(std::dynamic_pointer_cast<OptionsPage>(f.Wizard->CurrentPage()), nullptr);
}

TEST(WelcomePage, WebsiteLinkHoversAndOpensThroughTheShell) {
    Core::InstallManifest manifest = Testing::PageManifest();
    manifest.Website = L"example.org";
    PageFixture f(manifest);
    WelcomePage page(*f.Wizard);
    // 11 units of 6.5 = 71.5, rounded to 72; the text centred in the footer band.
    const Ui::Rect link{328, 488, 400, 524};
    const float h = 13.0f * 4 / 3;
    auto idle = Testing::DrawFrame(page);
    const CanvasCall text = TextOf(idle, L"example.org");
    EXPECT_EQ(text.Area, (Ui::Rect{328, 488 + (36 - h) / 2, 400, 488 + (36 - h) / 2 + h}));
    EXPECT_EQ(text.Style, Ui::TextStyle(L"Segoe UI Variable Text", 13, 400, page.Theme.TextSecondary));

    Ui::Input over = Testing::PointerAt(399, 490);
    Testing::RecordingCanvas hovered;
    page.Draw(hovered, over);
    EXPECT_TRUE(over.Hot);
    EXPECT_EQ(TextOf(hovered, L"example.org").Color, page.Theme.Text);
    EXPECT_TRUE(f.Platform->Starts.empty());

    Testing::ClickOn(page, link);
    ASSERT_EQ(f.Platform->Starts.size(), 1u);
    EXPECT_EQ(f.Platform->Starts[0],
              (Testing::FakeShellPlatform::ShellStart{L"example.org", std::nullopt, std::nullopt}));

    // A start the platform refuses is ignored without a message.
    f.Platform->StartFailure = std::make_exception_ptr(PlatformException(L"No application is associated.", 1155));
    EXPECT_NO_THROW(Testing::ClickOn(page, link));
    f.Platform->StartFailure = std::make_exception_ptr(InvalidOperationException(L"Nothing to start."));
    EXPECT_NO_THROW(Testing::ClickOn(page, link));
}

TEST(WelcomePage, BlankOrMissingWebsiteDrawsNoLink) {
    for (const std::optional<std::wstring>& website :
         {std::optional<std::wstring>(), std::optional<std::wstring>(L""), std::optional<std::wstring>(L"  \t")}) {
        Core::InstallManifest manifest = Testing::PageManifest();
        manifest.Website = website;
        PageFixture f(manifest);
        WelcomePage page(*f.Wizard);
        Ui::Input input = Testing::ClickAt(330, 500);
        Testing::RecordingCanvas canvas;
        page.Draw(canvas, input);
        EXPECT_FALSE(input.Hot);
        EXPECT_TRUE(f.Platform->Starts.empty());
        for (const CanvasCall& call : canvas.Of(CanvasOp::DrawText))
            if (call.Area.Top >= 488) {
                EXPECT_GE(call.Area.Left, ConfigureButton.Left);
            }
    }
}

TEST(WelcomePage, IsTheFirstStep) {
    PageFixture f;
    EXPECT_EQ(WelcomePage(*f.Wizard).Step(), 1);
    EXPECT_FALSE(WelcomePage(*f.Wizard).Animated());
}

}  // namespace
}  // namespace Ravenquill::Pages
