#include "app/program.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/common/text.h"

namespace Ravenquill::Program {
namespace {

using Args = std::vector<std::wstring>;

std::string Narrow(const Args& args) {
    std::string text;
    for (const std::wstring& arg : args) {
        text += '[';
        text += Text::ToUtf8(arg);
        text += ']';
    }
    return text;
}

TEST(ProgramFindSelfTestDir, Table) {
    struct Case {
        Args arguments;
        std::optional<std::wstring> directory;
    };
    const Case cases[] = {
        {{L"--self-test=C:\\shots"}, L"C:\\shots"},
        {{L"--SELF-TEST=C:\\shots"}, L"C:\\shots"},
        {{L"/Self-Test=C:\\shots"}, L"C:\\shots"},
        {{L"-/-/self-test=C:\\shots"}, L"C:\\shots"},
        {{L"self-test=C:\\shots"}, L"C:\\shots"},
        // The value keeps its case and inner blanks; enclosing quotes go.
        {{L"--self-test=\"C:\\My Shots\""}, L"C:\\My Shots"},
        {{L"--self-test=\"\"C:\\x\""}, L"C:\\x"},
        {{L"--self-test=C:\\x\""}, L"C:\\x"},
        {{L"--self-test=\"\""}, L""},
        {{L"--self-test="}, L""},
        {{L"--self-test= C:\\x "}, L" C:\\x "},
        // The first matching argument gives the directory.
        {{L"--silent", L"--self-test=A", L"--self-test=B"}, L"A"},
        // No match: no equals sign, no hyphen, white space before the dashes, another separator.
        {{L"--self-test"}, std::nullopt},
        {{L"--selftest=C:\\shots"}, std::nullopt},
        {{L" --self-test=C:\\shots"}, std::nullopt},
        {{L"--self-test:C:\\shots"}, std::nullopt},
        {{L"--self_test=C:\\shots"}, std::nullopt},
        // The letters match in ASCII case only.
        {{L"--ſelf-test=C:\\shots"}, std::nullopt},
        {{}, std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(FindSelfTestDir(c.arguments), c.directory) << Narrow(c.arguments);
}

// Each mode leaves its name in the journal; the manifest is loaded before any of them.
struct Recorder {
    std::vector<std::string> journal;
    std::wstring screenshotDirectory;

    Modes Make() {
        return Modes{
            .LoadManifest =
                [this] {
                    journal.push_back("manifest");
                    Core::InstallManifest manifest;
                    manifest.ProductId = L"Loaded";
                    return manifest;
                },
            .PrintUsage = [this] { journal.push_back("usage"); },
            .RenderScreenshots =
                [this](ManifestPtr manifest, const Core::CommandLineOptions&, const std::wstring& directory) {
                    journal.push_back("screenshots " + Text::ToUtf8(manifest->ProductId));
                    screenshotDirectory = directory;
                    return 0;
                },
            .RunSilent =
                [this](ManifestPtr manifest, const Core::CommandLineOptions& options) {
                    journal.push_back("silent " + Text::ToUtf8(manifest->ProductId) +
                                      (options.Uninstall ? " uninstall" : ""));
                    return 1223;
                },
            .ShowWizard =
                [this](ManifestPtr manifest, const Core::CommandLineOptions&) {
                    journal.push_back("wizard " + Text::ToUtf8(manifest->ProductId));
                    return 7;
                },
        };
    }
};

TEST(ProgramMain, ChoosesHelpThenScreenshotsThenSilentThenWizard) {
    struct Case {
        Args arguments;
        std::string mode;
        int exitCode;
    };
    const Case cases[] = {
        {{L"--help", L"--silent", L"--self-test=C:\\x"}, "usage", 0},
        {{L"/?"}, "usage", 0},
        {{L"--silent", L"--self-test=C:\\x"}, "screenshots Loaded", 0},
        {{L"--self-test=C:\\x"}, "screenshots Loaded", 0},
        // The key without its value or its hyphen is no screenshot argument.
        {{L"--silent", L"--self-test"}, "silent Loaded", 1223},
        {{L"/S", L"--selftest=C:\\x"}, "silent Loaded", 1223},
        {{L"--uninstall", L"-s"}, "silent Loaded uninstall", 1223},
        {{}, "wizard Loaded", 7},
        {{L"--uninstall", L"--dir=C:\\x"}, "wizard Loaded", 7},
    };
    for (const Case& c : cases) {
        Recorder recorder;
        EXPECT_EQ(Main(c.arguments, recorder.Make()), c.exitCode) << Narrow(c.arguments);
        EXPECT_EQ(recorder.journal, (std::vector<std::string>{"manifest", c.mode})) << Narrow(c.arguments);
    }
}

TEST(ProgramMain, ScreenshotModeGetsTheDirectoryWithoutQuotes) {
    Recorder recorder;
    const Args arguments{L"--silent", L"//SELF-test=\"C:\\Shots Here\"", L"--self-test=C:\\other"};
    EXPECT_EQ(Main(arguments, recorder.Make()), 0);
    EXPECT_EQ(recorder.screenshotDirectory, L"C:\\Shots Here");
}

TEST(ProgramMain, AFailureOfTheManifestReachesTheCaller) {
    Recorder recorder;
    Modes modes = recorder.Make();
    modes.LoadManifest = []() -> Core::InstallManifest { throw std::runtime_error("unreadable"); };
    EXPECT_THROW(Main(Args{L"--help"}, modes), std::runtime_error);
    EXPECT_TRUE(recorder.journal.empty());
}

TEST(ProgramUsage, ExactBytes) {
    const std::string expected =
        "Ravenquill — установщик приложения.\r\n"
        "\r\n"
        "  /S, --silent           Тихая установка без интерфейса\r\n"
        "  /D=PATH, --dir=PATH    Каталог установки\r\n"
        "  --per-machine          Установить для всех пользователей (нужны права администратора)\r\n"
        "  --per-user             Установить только для текущего пользователя\r\n"
        "  --components=a,b       Список устанавливаемых компонентов\r\n"
        "  --shortcuts=desktop,startmenu\r\n"
        "                         Какие ярлыки создавать (пустое значение — никаких)\r\n"
        "  --no-shortcuts         Не создавать ярлыки\r\n"
        "  --add-to-path          Добавить каталог установки в PATH\r\n"
        "  --uninstall            Удалить установленное приложение\r\n"
        "  --keep-data            При удалении сохранить пользовательские данные\r\n"
        "  -h, --help             Показать эту справку\r\n";
    EXPECT_EQ(UsageBytes(), expected);
}

TEST(ProgramUsage, FourteenLinesWithDescriptionsInColumn26) {
    const std::vector<std::wstring> lines = [] {
        std::vector<std::wstring> split;
        std::wstring_view rest = UsageText();
        for (std::size_t end; (end = rest.find(L"\r\n")) != std::wstring_view::npos; rest.remove_prefix(end + 2))
            split.emplace_back(rest.substr(0, end));
        split.emplace_back(rest);
        return split;
    }();
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(UsageText().find(L'\n'), UsageText().find(L"\r\n") + 1);
    EXPECT_NE(UsageText().back(), L'\n');
    for (std::size_t i = 2; i < lines.size(); ++i) {
        if (i == 7) continue;  // the long switch has its description on the next line
        ASSERT_GT(lines[i].size(), 25u) << i;
        EXPECT_EQ(lines[i][24], L' ') << i;
        EXPECT_NE(lines[i][25], L' ') << i;
    }
    // The switches a user never types are not listed.
    for (const wchar_t* hidden : {L"elevated", L"self-test", L"theme", L"no-add-to-path"})
        EXPECT_EQ(UsageText().find(hidden), std::wstring_view::npos) << Text::ToUtf8(hidden);
}

}  // namespace
}  // namespace Ravenquill::Program
