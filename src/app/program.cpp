#include "app/program.h"

#include "core/common/text.h"

namespace Ravenquill::Program {
namespace {

constexpr std::wstring_view SelfTestKey = L"self-test=";

// The key's letters match in either case; its '-' and '=' only as themselves.
bool StartsWithSelfTestKey(std::wstring_view rest) {
    if (rest.size() < SelfTestKey.size()) return false;
    for (std::size_t i = 0; i < SelfTestKey.size(); ++i) {
        wchar_t c = rest[i];
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
        if (c != SelfTestKey[i]) return false;
    }
    return true;
}

}  // namespace

std::optional<std::wstring> FindSelfTestDir(std::span<const std::wstring> arguments) {
    for (const std::wstring& argument : arguments) {
        std::wstring_view rest = argument;
        while (!rest.empty() && (rest.front() == L'-' || rest.front() == L'/')) rest.remove_prefix(1);
        if (!StartsWithSelfTestKey(rest)) continue;
        std::wstring_view value = rest.substr(SelfTestKey.size());
        if (!value.empty() && (value.front() == L'"' || value.back() == L'"')) {
            while (!value.empty() && value.front() == L'"') value.remove_prefix(1);
            while (!value.empty() && value.back() == L'"') value.remove_suffix(1);
        }
        return std::wstring(value);
    }
    return std::nullopt;
}

std::wstring_view UsageText() noexcept {
    return L"Ravenquill — установщик приложения.\r\n"
           L"\r\n"
           L"  /S, --silent           Тихая установка без интерфейса\r\n"
           L"  /D=PATH, --dir=PATH    Каталог установки\r\n"
           L"  --per-machine          Установить для всех пользователей (нужны права администратора)\r\n"
           L"  --per-user             Установить только для текущего пользователя\r\n"
           L"  --components=a,b       Список устанавливаемых компонентов\r\n"
           L"  --shortcuts=desktop,startmenu\r\n"
           L"                         Какие ярлыки создавать (пустое значение — никаких)\r\n"
           L"  --no-shortcuts         Не создавать ярлыки\r\n"
           L"  --add-to-path          Добавить каталог установки в PATH\r\n"
           L"  --uninstall            Удалить установленное приложение\r\n"
           L"  --keep-data            При удалении сохранить пользовательские данные\r\n"
           L"  -h, --help             Показать эту справку";
}

std::string UsageBytes() { return Text::ToUtf8(UsageText()) + "\r\n"; }

CommandLine ParseCommandLine(std::span<const std::wstring> arguments) {
    // The screenshot mode is chosen from the raw arguments alone; the parsed options give its key
    // no meaning.
    return CommandLine{Core::CommandLineOptions::Parse(arguments), FindSelfTestDir(arguments)};
}

Mode ChooseMode(const CommandLine& commandLine) noexcept {
    if (commandLine.Options.ShowHelp) return Mode::Usage;
    if (commandLine.SelfTestDir) return Mode::Screenshots;
    if (commandLine.Options.Silent) return Mode::Silent;
    return Mode::Wizard;
}

int Main(const CommandLine& commandLine, const Modes& modes) {
    const Core::CommandLineOptions& options = commandLine.Options;
    const ManifestPtr manifest = std::make_shared<const Core::InstallManifest>(modes.LoadManifest());
    switch (ChooseMode(commandLine)) {
        case Mode::Usage:
            modes.PrintUsage();
            return 0;
        case Mode::Screenshots:
            return modes.RenderScreenshots(manifest, options, *commandLine.SelfTestDir);
        case Mode::Silent:
            return modes.RunSilent(manifest, options);
        case Mode::Wizard:
            break;
    }
    return modes.ShowWizard(manifest, options);
}

int Main(std::span<const std::wstring> arguments, const Modes& modes) {
    return Main(ParseCommandLine(arguments), modes);
}

}  // namespace Ravenquill::Program
