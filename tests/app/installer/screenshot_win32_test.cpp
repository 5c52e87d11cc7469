// The screenshot mode of the built installer: ten PNG files of the window's size, transparent
// around the card, in each palette's colours, with the step rail marked for each page.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "app/installer/installer_process_win32.h"
#include "core/model/install_manifest.h"
#include "ui/png.h"
#include "ui/theme.h"

namespace Ravenquill::Core::Testing {
namespace {

const std::vector<std::string> Stems = {"1-welcome", "2-options", "3-progress", "4-finish", "5-dialog"};

// The embedded manifest asks for the licence step: five steps, the options page on the third.
const int ActiveStep[] = {1, 3, 4, 5, 1};

// 0xAARRGGBB of the premultiplied pixel; opaque pixels read as their colour.
std::uint32_t PixelAt(const Ui::PngImage& image, int x, int y) {
    const std::uint8_t* p = &image.Pixels[(static_cast<std::size_t>(y) * image.Width + x) * 4];
    return static_cast<std::uint32_t>(p[3]) << 24 | static_cast<std::uint32_t>(p[2]) << 16 |
           static_cast<std::uint32_t>(p[1]) << 8 | p[0];
}

std::optional<Ui::PngImage> Load(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return Ui::Png::Decode(std::as_bytes(std::span(bytes.data(), bytes.size())));
}

// Each channel of a over an opaque b, as the scrim lies over the frame; within one step of rounding.
bool NearBlend(std::uint32_t actual, std::uint32_t over, std::uint32_t under) {
    const double a = (over >> 24) / 255.0;
    for (int shift : {0, 8, 16}) {
        const double expected = ((over >> shift) & 0xFF) * a + ((under >> shift) & 0xFF) * (1 - a);
        if (std::abs(static_cast<double>((actual >> shift) & 0xFF) - expected) > 1.5) return false;
    }
    return (actual >> 24) == 0xFF;
}

Ui::Theme PaletteOf(const std::string& name) {
    Ui::Theme theme = name == "dark" ? Ui::Theme::Dark() : Ui::Theme::Light();
    // The embedded manifest names no accent: the default one.
    theme.ApplyAccent(InstallManifest().EffectiveAccent());
    return theme;
}

class ScreenshotMode : public testing::Test {
protected:
    // A folder of the run's own, not yet there: the mode makes it and its parent.
    fs::path out_ = fs::temp_directory_path() / ("RqScreenshots-" + TestName()) / "shots";

    void SetUp() override { fs::remove_all(out_.parent_path()); }
    void TearDown() override { fs::remove_all(out_.parent_path()); }

    void Run(std::vector<std::wstring> arguments = {}) {
        arguments.push_back(L"--self-test=" + out_.wstring());
        const Finished run = RunProgram(FromEnvironment("RQ_INSTALLER_EMBEDDED"), arguments);
        ASSERT_EQ(run.ExitCode, 0u) << run.Err;
    }
};

TEST_F(ScreenshotMode, WritesTenFramesInThePalettesWithTheStepOfEachPage) {
    ASSERT_NO_FATAL_FAILURE(Run());
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(out_)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    std::vector<std::string> expected;
    for (const char* theme : {"dark", "light"})
        for (const std::string& stem : Stems) expected.push_back(stem + "-" + theme + ".png");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);

    for (const char* themeName : {"dark", "light"}) {
        const Ui::Theme t = PaletteOf(themeName);
        for (std::size_t i = 0; i < Stems.size(); ++i) {
            const std::string name = Stems[i] + "-" + themeName;
            const auto image = Load(out_ / (name + ".png"));
            ASSERT_TRUE(image.has_value()) << name;
            EXPECT_EQ(image->Width, 940) << name;
            EXPECT_EQ(image->Height, 580) << name;
            // Transparent beyond the shadow, partly transparent in it, opaque on the card.
            EXPECT_EQ(PixelAt(*image, 0, 0), 0u) << name;
            const std::uint32_t shadow = PixelAt(*image, 470, 570) >> 24;
            EXPECT_GT(shadow, 0u) << name;
            EXPECT_LT(shadow, 255u) << name;

            // Points away from text: the empty sidebar below the rail, the card above the footer,
            // and left of each step number inside its circle.
            const bool dialog = Stems[i] == "5-dialog";
            const auto expect = [&](int x, int y, std::uint32_t color, const char* what) {
                const std::uint32_t actual = PixelAt(*image, x, y);
                if (dialog)
                    EXPECT_TRUE(NearBlend(actual, t.Scrim, color)) << name << " " << what << std::hex << " " << actual;
                else
                    EXPECT_EQ(actual, color) << name << " " << what << std::hex << " " << actual;
            };
            expect(150, 420, t.Sidebar, "sidebar");
            expect(600, 478, t.Background, "card");
            for (int step = 1; step <= 5; ++step)
                expect(56, 155 + 42 * (step - 1), step == ActiveStep[i] ? t.Accent : t.Sidebar, "step circle");
        }
    }
}

TEST_F(ScreenshotMode, ASecondRunReplacesTheFilesAndLeavesOthersAlone) {
    ASSERT_NO_FATAL_FAILURE(Run());
    const fs::path welcome = out_ / "1-welcome-dark.png";
    const fs::path other = out_ / "notes.txt";
    std::ofstream(welcome, std::ios::binary | std::ios::trunc) << "not a picture";
    std::ofstream(other, std::ios::binary) << "mine";
    ASSERT_FALSE(Load(welcome).has_value());

    ASSERT_NO_FATAL_FAILURE(Run());
    const auto image = Load(welcome);
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->Width, 940);
    EXPECT_EQ(ReadText(other), "mine");
    EXPECT_EQ(std::distance(fs::directory_iterator(out_), fs::directory_iterator()), 11);
}

TEST_F(ScreenshotMode, WithTheUninstallSwitchTheInstallPagesShowUnderTheRemovalRail) {
    ASSERT_NO_FATAL_FAILURE(Run({L"--uninstall"}));
    const Ui::Theme t = PaletteOf("dark");
    // Three steps: the finish page marks the last, and no fourth circle is drawn.
    const struct {
        std::string Stem;
        int Active;
    } frames[] = {{"1-welcome", 1}, {"3-progress", 2}, {"4-finish", 3}};
    for (const auto& frame : frames) {
        const auto image = Load(out_ / (frame.Stem + "-dark.png"));
        ASSERT_TRUE(image.has_value()) << frame.Stem;
        for (int step = 1; step <= 4; ++step)
            EXPECT_EQ(PixelAt(*image, 56, 155 + 42 * (step - 1)), step == frame.Active ? t.Accent : t.Sidebar)
                << frame.Stem << " step " << step;
        EXPECT_EQ(PixelAt(*image, 64, 155 + 42 * 3 - 12), t.Sidebar) << frame.Stem;  // the fourth circle's top
    }
}

}  // namespace
}  // namespace Ravenquill::Core::Testing
