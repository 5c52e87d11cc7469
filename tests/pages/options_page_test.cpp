#include "pages/options_page.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "core/common/errors.h"
#include "core/engine/engines/install_engine.h"
#include "pages/welcome_page.h"
#include "support/page_fixture.h"

namespace Ravenquill::Pages {
namespace {

using Core::InstallEngine;
using Testing::CanvasCall;
using Testing::CanvasOp;
using Testing::PageFixture;

constexpr Ui::Rect BackButton{620, 488, 732, 524};
constexpr Ui::Rect InstallButton{744, 488, 876, 524};
constexpr Ui::Rect BrowseButton{764, 159, 876, 195};

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

Core::InstallManifest ComponentManifest() {
    Core::InstallManifest manifest = Testing::PageManifest();
    manifest.Components = {
        {L"core", L"Ядро", std::nullopt, L"core", true, true},
        {L"docs", L"Документация", L"Справка и примеры", L"docs", false, true},
    };
    return manifest;
}

Core::PayloadSummary ComponentPayload() {
    Core::PayloadSummary summary = Testing::PayloadOf(3500, 4);
    summary.UnassignedBytes = 1000;
    summary.ComponentBytes = {{L"core", 2000}, {L"docs", 500}};
    return summary;
}

// The pointer outside the window, the non-administrator path, and the page drawn once.
struct OptionsFixture : PageFixture {
    explicit OptionsFixture(Core::InstallManifest manifest = ComponentManifest(),
                            Core::PayloadSummary payload = ComponentPayload())
        : PageFixture(std::move(manifest), std::move(payload)) {
        Wizard->Show(Page);
        SettleFreeSpace();
    }
    // The free space comes from the thread pool: the page is drawn until it shows it, and the
    // question asked for it is forgotten.
    void SettleFreeSpace() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            bool pending = false;
            for (const CanvasCall& call : Draw().Of(CanvasOp::DrawText))
                pending |= call.Text.starts_with(L"Требуется: ") && call.Text.ends_with(L"…");
            if (!pending) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        Platform->FreeSpaceRoots.clear();
    }
    // What a click's frame left for after it: the folder picker.
    void AfterTheFrame() { EXPECT_TRUE(Wizard->RunAfterFrameWork()); }
    std::shared_ptr<OptionsPage> Page = std::make_shared<OptionsPage>(*Wizard);

    Testing::RecordingCanvas Draw(Ui::Input input = Ui::Input::Inert()) { return Testing::DrawFrame(*Page, input); }
    Testing::RecordingCanvas Wheel(float notches, float x = 600, float y = 300) {
        Ui::Input input = Testing::PointerAt(x, y);
        input.Wheel = notches;
        return Draw(input);
    }
};

CanvasCall TextOf(const Testing::RecordingCanvas& canvas, const std::wstring& text) {
    const auto call = canvas.TextCall(text);
    EXPECT_TRUE(call.has_value()) << Narrow(text);
    return call.value_or(CanvasCall{});
}

TEST(OptionsPage, StepFollowsTheLicenceStep) {
    Core::InstallManifest manifest = Testing::PageManifest();
    PageFixture withLicence(manifest);
    EXPECT_EQ(OptionsPage(*withLicence.Wizard).Step(), 3);
    manifest.RequireLicenseAccept = false;
    PageFixture without(manifest);
    EXPECT_EQ(OptionsPage(*without.Wizard).Step(), 2);
}

TEST(OptionsPage, HeadingStaysAndTheSettingsAreaIsClippedToTheViewport) {
    OptionsFixture f;
    f.Page->Scroll = 40;
    const auto canvas = f.Draw();
    const Ui::Theme& t = f.Page->Theme;
    const CanvasCall title = TextOf(canvas, L"Параметры установки");
    EXPECT_EQ(title.Area, (Ui::Rect{328, 68, 876, 94}));
    EXPECT_EQ(title.Style, Ui::TextStyle(L"Segoe UI Variable Display", 19, 600, t.Text, true));
    const CanvasCall subtitle = TextOf(canvas, L"Выберите каталог и дополнительные возможности.");
    EXPECT_EQ(subtitle.Area, (Ui::Rect{328, 100, 876, 120}));
    EXPECT_EQ(subtitle.Style, Ui::TextStyle(L"Segoe UI Variable Text", 13.5f, 400, t.TextSecondary, true, 20));

    const auto pushes = canvas.Of(CanvasOp::PushAxisAlignedClip);
    ASSERT_EQ(pushes.size(), 1u);
    EXPECT_EQ(pushes[0].Area, (Ui::Rect{328, 136, 876, 468}));
    EXPECT_EQ(canvas.Of(CanvasOp::PopAxisAlignedClip).size(), 1u);
    // The heading lies outside the scrolled area; the first section label moved up with the scroll.
    EXPECT_EQ(TextOf(canvas, L"Каталог установки").Area, (Ui::Rect{330, 96, 878, 112}));
}

// Every top from the layout's steps: label 23, directory 45, space line 38, scope 62, components
// 22 + 23 and each row + 8 (less the last 8), extras 20 + 26 and 33 per check box.
TEST(OptionsPage, SettingsLayoutTopToBottom) {
    OptionsFixture f;
    const auto canvas = f.Draw();
    const Ui::Theme& t = f.Page->Theme;
    const struct {
        std::wstring Text;
        Ui::Rect Area;
    } labels[] = {
        {L"Каталог установки", {330, 136, 878, 152}},
        {L"Для кого установить", {330, 242, 878, 258}},
        {L"Компоненты", {330, 349, 878, 365}},
        {L"Дополнительно", {330, 504, 878, 520}},
    };
    for (const auto& label : labels) {
        const CanvasCall call = TextOf(canvas, label.Text);
        EXPECT_EQ(call.Area, label.Area) << Narrow(label.Text);
        EXPECT_EQ(call.Style, Ui::TextStyle(L"Segoe UI Variable Text", 11.5f, 400, t.TextMuted)) << Narrow(label.Text);
    }
    const std::wstring space = L"Требуется: " + InstallEngine::FormatSize(3500) + L"   ·   Свободно: " +
                               InstallEngine::FormatSize(100LL << 30);
    EXPECT_EQ(TextOf(canvas, space).Area, (Ui::Rect{330, 204, 878, 220}));

    // The fills of everything but the 19-px boxes of the check marks.
    std::vector<CanvasCall> fills;
    for (const CanvasCall& call : canvas.Of(CanvasOp::FillRoundedRect))
        if (call.Area.Width() > 19) fills.push_back(call);
    const Ui::Rect boxes[] = {
        {328, 159, 754, 195},                        // directory box
        BrowseButton,         {328, 265, 596, 327},  // "Только для меня"
        {608, 265, 876, 327},                        // "Для всех пользователей"
        {328, 372, 876, 415},                        // required component, no description: 43 high
        {328, 423, 876, 484},                        // a one-line description: 15 + 46
    };
    ASSERT_GE(fills.size(), std::size(boxes));
    for (std::size_t i = 0; i < std::size(boxes); ++i) EXPECT_EQ(fills[i].Area, boxes[i]) << i;
    const CanvasCall dir = TextOf(canvas, L"C:\\Apps\\Quill");
    EXPECT_EQ(dir.Area.Left, 339);
    EXPECT_EQ(dir.Area.Right, 743);
    EXPECT_TRUE(dir.Style->Ellipsis);
    // Check boxes 21 high at 530 and 563, their 18-px labels centred in them.
    EXPECT_EQ(TextOf(canvas, L"Создать ярлык на рабочем столе").Area.Top, 530 + 1.5f);
    EXPECT_EQ(TextOf(canvas, L"Добавить в меню «Пуск»").Area.Top, 563 + 1.5f);
    EXPECT_EQ(canvas.TextCall(L"Добавить каталог установки в переменную PATH"), std::nullopt);
    EXPECT_EQ(f.Page->ContentHeight, 596 - 136);
}

TEST(OptionsPage, WithoutComponentsOrExtrasTheLabelsStillFollow) {
    Core::InstallManifest manifest = Testing::PageManifest();
    manifest.OfferDesktopShortcut = false;
    manifest.OfferStartMenuShortcut = false;
    OptionsFixture f(manifest, Testing::PayloadOf(2048, 3));
    const auto canvas = f.Draw();
    EXPECT_EQ(canvas.TextCall(L"Компоненты"), std::nullopt);
    // "Дополнительно" 20 px below the scope cards, and no check box under it.
    EXPECT_EQ(TextOf(canvas, L"Дополнительно").Area.Top, 327 + 20);
    // The directory box, "Обзор…" and the two cards: no check box's outline.
    EXPECT_EQ(canvas.Of(CanvasOp::StrokeRoundedRect).size(), 4u);
    EXPECT_EQ(f.Page->ContentHeight, 327 + 20 + 26 - 136);
}

TEST(OptionsPage, WheelScrollsSixtyPixelsPerNotchWithinTheContent) {
    OptionsFixture f;  // content 460 high in a viewport of 332: at most 128
    f.Draw();
    struct Step {
        float Notches;
        float X, Y;
        float Scroll;
    };
    const Step steps[] = {
        {-1, 600, 300, 60},    // towards the user: the content moves up
        {-1, 600, 300, 120},   //
        {-1, 600, 300, 128},   // clamped at the content's end
        {1, 600, 300, 68},     // away from the user: back towards the top
        {-1, 600, 480, 68},    // over the footer: not the viewport's wheel
        {-1, 600, 130, 68},    // over the heading
        {0.5f, 600, 300, 38},  // a finer wheel's half notch
        {3, 600, 300, 0},      // clamped at the top
    };
    for (const Step& s : steps) {
        f.Wheel(s.Notches, s.X, s.Y);
        EXPECT_EQ(f.Page->Scroll, s.Scroll) << s.Notches << " at " << s.Y;
    }
    // The offset is drawn from the next frame on.
    f.Page->Scroll = 0;
    f.Wheel(-1);
    EXPECT_EQ(TextOf(f.Draw(), L"Каталог установки").Area.Top, 136 - 60);
}

TEST(OptionsPage, AWheelNotchAsksForTheFrameThatDrawsTheNewOffset) {
    OptionsFixture f;
    int redraws = 0;
    f.Wizard->RequestRedraw = [&] { ++redraws; };
    f.Draw();
    ASSERT_EQ(redraws, 0) << "a frame that moves nothing asks for nothing";

    // The notch's own frame still draws the old offset, and asks for the next one in that frame.
    const auto notchFrame = f.Wheel(-1);
    EXPECT_EQ(TextOf(notchFrame, L"Каталог установки").Area.Top, 136);
    EXPECT_EQ(redraws, 1);
    const auto next = f.Draw();
    EXPECT_EQ(TextOf(next, L"Каталог установки").Area.Top, 136 - 60);
    EXPECT_EQ(redraws, 1) << "the frame that drew the new offset asks for no other";

    // A notch against the clamp moves nothing and asks for nothing; one that is clamped still moves.
    f.Page->Scroll = 0;
    f.Draw();
    redraws = 0;
    f.Wheel(1);
    EXPECT_EQ(redraws, 0);
    f.Wheel(-3);
    EXPECT_EQ(f.Page->Scroll, 128);
    EXPECT_EQ(redraws, 1);
}

TEST(OptionsPage, ContentShorterThanTheViewportNeverScrolls) {
    OptionsFixture f(Testing::PageManifest(), Testing::PayloadOf(2048, 3));
    f.Wheel(-3);
    EXPECT_EQ(f.Page->Scroll, 0);
    // An offset left over from taller content is pulled back on the next frame.
    f.Page->Scroll = 50;
    f.Draw();
    EXPECT_EQ(f.Page->Scroll, 0);
}

TEST(OptionsPage, ContentScrolledOutOfTheViewportTakesNoClicks) {
    OptionsFixture f;
    // With 40 px scrolled, the desktop check box (530..551) lies under "Установить" (488..524).
    f.Page->Scroll = 40;
    Ui::Input click = Testing::ClickAt(800, 500);
    Testing::RecordingCanvas canvas;
    f.Page->Draw(canvas, click);
    EXPECT_TRUE(f.Wizard->Settings.DesktopShortcut);
    EXPECT_EQ(f.Wizard->CurrentPage(), f.Progress);

    // Below the viewport, above the footer: the cut-off part of a component row.
    OptionsFixture g;
    Testing::ClickOn(*g.Page, {400, 470, 401, 480});
    EXPECT_TRUE(g.Wizard->Settings.Components[1].Selected);
}

TEST(OptionsPage, RequiredBytesCountSelectedComponentsWithFolders) {
    struct Case {
        const char* Name;
        bool DocsSelected;
        std::optional<std::wstring> DocsPrefix;
        std::int64_t Unassigned, CoreBytes;
        std::int64_t Required;
    };
    const Case cases[] = {
        {"both", true, L"docs", 1000, 2000, 3500},
        {"optional one off", false, L"docs", 1000, 2000, 3000},
        {"a component without a folder owns nothing", true, L"  ", 1000, 2000, 3000},
        {"sizes adding up to 0: the whole payload", false, L"docs", 0, 0, 3500},
    };
    for (const Case& c : cases) {
        Core::InstallManifest manifest = ComponentManifest();
        manifest.Components[1].PathPrefix = c.DocsPrefix;
        Core::PayloadSummary payload = ComponentPayload();
        payload.UnassignedBytes = c.Unassigned;
        payload.ComponentBytes[L"core"] = c.CoreBytes;
        OptionsFixture f(manifest, payload);
        f.Wizard->Settings.Components[1].Selected = c.DocsSelected;
        EXPECT_EQ(f.Page->GetRequiredBytes(), c.Required) << c.Name;
    }
}

TEST(OptionsPage, FreeSpaceOfTheDirectorysDriveOrADash) {
#ifdef _WIN32
    const std::wstring dir = L"D:\\Apps\\Quill";
    const std::wstring root = L"D:\\";
#else
    const std::wstring dir = L"/srv/apps/Quill";
    const std::wstring root = L"/";
#endif
    struct Case {
        const char* Name;
        std::exception_ptr Failure;
        std::wstring Text;
    };
    const Case cases[] = {
        {"free", nullptr, InstallEngine::FormatSize(5LL << 30)},
        {"argument", std::make_exception_ptr(ArgumentException(L"bad")), L"—"},
        {"missing drive", std::make_exception_ptr(DirectoryNotFoundException(L"gone", 3)), L"—"},
        {"input/output", std::make_exception_ptr(IOException(L"not ready", 21)), L"—"},
        {"access denied", std::make_exception_ptr(UnauthorizedAccessException(L"no")), L"—"},
    };
    for (const Case& c : cases) {
        OptionsFixture f;
        f.Wizard->Settings.InstallDir = dir;
        f.Platform->FreeBytes = 5LL << 30;
        f.Platform->FreeBytesFailure = c.Failure;
        EXPECT_EQ(f.Page->GetFreeSpaceText(), c.Text) << c.Name;
        EXPECT_EQ(f.Platform->FreeSpaceRoots, std::vector<std::wstring>{root}) << c.Name;
    }

    OptionsFixture f;
    f.Wizard->Settings.InstallDir = L"";
    EXPECT_EQ(f.Page->GetFreeSpaceText(), L"—");
    EXPECT_TRUE(f.Platform->FreeSpaceRoots.empty());
    // Any other failure is not the page's to hide.
    f.Wizard->Settings.InstallDir = dir;
    f.Platform->FreeBytesFailure = std::make_exception_ptr(InvalidOperationException(L"odd"));
    EXPECT_THROW(f.Page->GetFreeSpaceText(), InvalidOperationException);
}

TEST(OptionsPage, AnUpdateShowsTheEarlierInstallationsFolder) {
    PageFixture f(Testing::PageManifest(), Testing::PayloadOf(2048, 3),
                  Core::UninstallRegistry::InstalledEntry{L"C:\\RQCustom\\Place", L"1.0", false});
    auto page = std::make_shared<OptionsPage>(*f.Wizard);
    f.Wizard->Show(page);
    EXPECT_EQ(f.Wizard->Settings.InstallDir, L"C:\\RQCustom\\Place");
    EXPECT_TRUE(Testing::DrawFrame(*page).TextCall(L"C:\\RQCustom\\Place").has_value());
    // Another folder can still be chosen.
    f.Platform->PickedFolder = L"E:\\Elsewhere";
    Testing::ClickOn(*page, BrowseButton);
    EXPECT_TRUE(f.Wizard->RunAfterFrameWork());
    EXPECT_EQ(f.Wizard->Settings.InstallDir, L"E:\\Elsewhere");
}

TEST(OptionsPage, BrowseTakesAChosenFolderAndIgnoresACancel) {
    struct Case {
        std::optional<std::wstring> Chosen;
        std::wstring Dir;
    };
    const Case cases[] = {{L"E:\\Tools", L"E:\\Tools"}, {std::nullopt, L"C:\\Apps\\Quill"}, {L"", L"C:\\Apps\\Quill"}};
    for (const Case& c : cases) {
        OptionsFixture f;
        f.Platform->PickedFolder = c.Chosen;
        Testing::ClickOn(*f.Page, BrowseButton);
        f.AfterTheFrame();
        ASSERT_EQ(f.Platform->FolderRequests.size(), 1u);
        EXPECT_EQ(f.Platform->FolderRequests[0].Title, L"Выберите каталог установки");
        EXPECT_EQ(f.Platform->FolderRequests[0].InitialPath, L"C:\\Apps\\Quill");
        EXPECT_EQ(f.Wizard->Settings.InstallDir, c.Dir);
        EXPECT_FALSE(f.Wizard->Settings.PerMachine);
    }
}

TEST(OptionsPage, ThePickerOpensOnceTheClicksFrameHasEndedAndItsAnswerAsksForAFrame) {
    OptionsFixture f;
    std::atomic<int> redraws = 0;
    f.Wizard->RequestRedraw = [&] { ++redraws; };
    f.Platform->PickedFolder = L"E:\\Tools";
    // While the picker is open the window goes on: its frames (over "Обзор…", clicking nothing)
    // and its messages, whose handling would run the work asked for after a frame.
    int framesWhilePicking = 0;
    f.Platform->WhilePicking = [&] {
        ++framesWhilePicking;
        f.Draw(Testing::PointerAt(820, 177));
        // The second click of a double click, taken before the picker disabled the window.
        if (framesWhilePicking == 1) Testing::ClickOn(*f.Page, BrowseButton);
        EXPECT_FALSE(f.Wizard->RunAfterFrameWork()) << "a second picker from inside the first";
    };
    const auto clickFrame = Testing::ClickOn(*f.Page, BrowseButton);
    EXPECT_TRUE(f.Platform->FolderRequests.empty()) << "opened inside the click's frame";
    EXPECT_TRUE(clickFrame.TextCall(L"C:\\Apps\\Quill").has_value());

    f.AfterTheFrame();
    EXPECT_EQ(f.Platform->FolderRequests.size(), 1u);
    EXPECT_EQ(framesWhilePicking, 1);
    EXPECT_EQ(f.Wizard->Settings.InstallDir, L"E:\\Tools");
    EXPECT_EQ(redraws, 1) << "the window shows the chosen folder at once";
    EXPECT_FALSE(f.Wizard->RunAfterFrameWork()) << "a second picker after the first";

    // A cancelled picker changes nothing and asks for nothing (once the new folder's free space,
    // which asks for its own frame, is on the page).
    f.SettleFreeSpace();
    redraws = 0;
    f.Platform->PickedFolder.reset();
    f.Platform->WhilePicking = nullptr;
    Testing::ClickOn(*f.Page, BrowseButton);
    f.AfterTheFrame();
    EXPECT_EQ(f.Wizard->Settings.InstallDir, L"E:\\Tools");
    EXPECT_EQ(redraws, 0);
}

TEST(OptionsPage, BrowseIsDrawnButInertWhenTheDirectoryIsFixed) {
    Core::InstallManifest manifest = ComponentManifest();
    manifest.AllowChangeDirectory = false;
    OptionsFixture f(manifest);
    Ui::Input click = Testing::ClickAt(800, 170);
    Testing::RecordingCanvas canvas;
    f.Page->Draw(canvas, click);
    EXPECT_FALSE(click.Hot);
    EXPECT_FALSE(f.Wizard->RunAfterFrameWork());
    EXPECT_TRUE(f.Platform->FolderRequests.empty());
    EXPECT_TRUE(canvas.TextCall(L"Обзор…").has_value());
}

TEST(OptionsPage, DirectoryBoxOutlineFollowsThePointerButIsNotClickable) {
    OptionsFixture f;
    Ui::Input over = Testing::ClickAt(400, 170);
    Testing::RecordingCanvas canvas;
    f.Page->Draw(canvas, over);
    EXPECT_FALSE(over.Hot);
    EXPECT_EQ(canvas.Of(CanvasOp::StrokeRoundedRect)[0].Color, f.Page->Theme.TextMuted);
    EXPECT_EQ(f.Draw().Of(CanvasOp::StrokeRoundedRect)[0].Color, f.Page->Theme.StrongBorder);
}

TEST(OptionsPage, ScopeCardsSwitchTheScopeAndTheAdministratorNote) {
    OptionsFixture f;
    const std::wstring note = L"Потребуется подтверждение администратора";
    EXPECT_EQ(f.Draw().TextCall(note), std::nullopt);
    Testing::ClickOn(*f.Page, {608, 265, 876, 327});
    EXPECT_TRUE(f.Wizard->Settings.PerMachine);
    EXPECT_EQ(f.Wizard->Settings.InstallDir, L"C:\\Machine\\Quill");  // the default follows the scope
    const auto canvas = f.Draw();
    const CanvasCall text = TextOf(canvas, note);
    EXPECT_EQ(text.Area.Left, 351);
    EXPECT_EQ(text.Area.Right, 728);
    EXPECT_EQ(text.Style->Size, 11.5f);
    const auto shield = canvas.Of(CanvasOp::DrawPath).back();
    EXPECT_EQ(shield.Area, (Ui::Rect{328, 498, 343, 513}));
    EXPECT_EQ(shield.Width, 1.2f);
    EXPECT_TRUE(canvas.TextCall(L"Потребуется подтверждение").has_value());

    Testing::ClickOn(*f.Page, {328, 265, 596, 327});
    EXPECT_FALSE(f.Wizard->Settings.PerMachine);
    EXPECT_EQ(f.Draw().TextCall(note), std::nullopt);

    f.Wizard->Settings.Administrator = true;
    f.Wizard->Settings.PerMachine = true;
    const auto asAdmin = f.Draw();
    EXPECT_TRUE(asAdmin.TextCall(L"Права администратора не требуются").has_value());
    EXPECT_EQ(asAdmin.TextCall(note), std::nullopt);
}

TEST(OptionsPage, ComponentAndExtraClicksToggleTheirSettings) {
    OptionsFixture f;
    Shell::Settings& s = f.Wizard->Settings;
    Testing::ClickOn(*f.Page, {328, 372, 876, 415});  // required: stays
    EXPECT_TRUE(s.Components[0].Selected);
    Testing::ClickOn(*f.Page, {328, 423, 876, 468});  // optional: toggles
    EXPECT_FALSE(s.Components[1].Selected);
    // The required figure follows from the next frame on.
    const std::wstring now = L"Требуется: " + InstallEngine::FormatSize(3000);
    bool found = false;
    for (const CanvasCall& call : f.Draw().Of(CanvasOp::DrawText)) found |= call.Text.starts_with(now);
    EXPECT_TRUE(found);

    f.Page->Scroll = 128;  // the check boxes at 530 - 128 and 563 - 128
    const bool desktop = s.DesktopShortcut, startMenu = s.StartMenuShortcut;
    Testing::ClickOn(*f.Page, {330, 402, 876, 423});
    EXPECT_EQ(s.DesktopShortcut, !desktop);
    Testing::ClickOn(*f.Page, {330, 435, 876, 456});
    EXPECT_EQ(s.StartMenuShortcut, !startMenu);
}

TEST(OptionsPage, FooterGoesBackOrInstalls) {
    OptionsFixture f;
    f.Wizard->Settings.InstallDir = L"E:\\Chosen";
    Testing::ClickOn(*f.Page, BackButton);
    const auto welcome = std::dynamic_pointer_cast<WelcomePage>(f.Wizard->CurrentPage());
    ASSERT_NE(welcome, nullptr);
    EXPECT_EQ(f.Wizard->Settings.InstallDir, L"E:\\Chosen");

    OptionsFixture g;
    const auto fills = g.Draw().Of(CanvasOp::FillRoundedRect);
    EXPECT_EQ(fills.back().Area, InstallButton);
    Testing::ClickOn(*g.Page, InstallButton);
    EXPECT_EQ(g.Wizard->CurrentPage(), g.Progress);

    OptionsFixture none(ComponentManifest(), Core::PayloadSummary{});
    Testing::ClickOn(*none.Page, InstallButton);
    EXPECT_EQ(none.Wizard->CurrentPage(), none.Page);
}

}  // namespace
}  // namespace Ravenquill::Pages
