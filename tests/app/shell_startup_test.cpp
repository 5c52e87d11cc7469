#include "app/shell_startup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_host.h"
#include "ui/canvas_recorder.h"
#include "ui/png.h"

namespace Ravenquill::Program {
namespace {

std::vector<std::wstring> Titles(const Shell::ShellState& state) {
    std::vector<std::wstring> titles;
    for (const Shell::WizardStep& step : *state.Steps()) titles.push_back(step.Title);
    return titles;
}

TEST(ShellStartup, StepRailOfTheMode) {
    struct Case {
        const char* Name;
        bool Uninstall, Licence;
        std::vector<std::wstring> Titles;
    };
    const Case cases[] = {
        {"install with licence", false, true, {L"Начало", L"Лицензия", L"Параметры", L"Установка", L"Готово"}},
        {"install", false, false, {L"Начало", L"Параметры", L"Установка", L"Готово"}},
        {"uninstall wins over the licence", true, true, {L"Подтверждение", L"Удаление", L"Готово"}},
    };
    for (const Case& c : cases) {
        Core::InstallManifest manifest;
        manifest.RequireLicenseAccept = c.Licence;
        Core::CommandLineOptions options;
        options.Uninstall = c.Uninstall;
        const auto state = BuildShellState(manifest, options);
        EXPECT_EQ(Titles(*state), c.Titles) << c.Name;
        int number = 0;
        for (const Shell::WizardStep& step : *state->Steps()) {
            EXPECT_EQ(step.Number, ++number) << c.Name;
            EXPECT_FALSE(step.IsActive || step.IsCompleted) << c.Name;
        }
    }
}

TEST(ShellStartup, HeaderDataFromTheManifest) {
    Core::InstallManifest manifest;
    manifest.ProductName = L"  quill";
    manifest.Version = L"2.0";
    manifest.Publisher = L"Raven";
    const auto state = BuildShellState(manifest, {});
    EXPECT_EQ(state->ProductName, L"  quill");
    EXPECT_EQ(state->Version, L"2.0");
    EXPECT_EQ(state->Publisher, L"Raven");
    EXPECT_EQ(state->Monogram, L"Q");
    EXPECT_EQ(state->Logo, nullptr);
    EXPECT_EQ(state->CaptionHover, 0);

    const struct {
        std::wstring Name, Monogram;
    } monograms[] = {{L"", L"?"}, {L" \t ", L"?"}, {L"ёлка", L"Ё"}, {L"Quill", L"Q"}, {L"7zip", L"7"}};
    for (const auto& m : monograms) EXPECT_EQ(Monogram(m.Name), m.Monogram);
}

TEST(ShellStartup, LogoFromTheEmbeddedPngOrNone) {
    const std::vector<std::uint8_t> pixels(3 * 2 * 4, 0x80);
    const std::vector<std::uint8_t> png = Ui::Png::Encode(pixels, 3, 2);
    struct Case {
        const char* Name;
        std::optional<std::string> Resource;
        bool Logo;
    };
    const Case cases[] = {
        {"a PNG", std::string(png.begin(), png.end()), true},
        {"no resource", std::nullopt, false},
        {"not a PNG", std::string("GIF89a"), false},
        {"empty", std::string(), false},
    };
    for (const Case& c : cases) {
        Testing::FakeHost host(L"C:\\setup.exe");
        if (c.Resource) host.Embed(L"Ravenquill.Logo.png", *c.Resource);
        ScopedHost scope(host);
        Testing::RecordingCanvas canvas;
        const auto logo = LoadLogo(canvas);
        EXPECT_EQ(logo != nullptr, c.Logo) << c.Name;
        if (!logo) {
            EXPECT_TRUE(canvas.Calls.empty()) << c.Name;
            continue;
        }
        EXPECT_EQ(logo->PixelWidth(), 3u);
        EXPECT_EQ(logo->PixelHeight(), 2u);
        ASSERT_EQ(canvas.Calls.size(), 1u);
        EXPECT_EQ(canvas.Calls[0].Op, Testing::CanvasOp::CreateBitmap);
    }
}

}  // namespace
}  // namespace Ravenquill::Program
