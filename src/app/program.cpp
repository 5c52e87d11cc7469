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

int Main(std::span<const std::wstring> arguments, const Modes& modes) {
    const Core::CommandLineOptions options = Core::CommandLineOptions::Parse(arguments);
    const ManifestPtr manifest = std::make_shared<const Core::InstallManifest>(modes.LoadManifest());
    if (options.ShowHelp) {
        modes.PrintUsage();
        return 0;
    }
    // The screenshot mode is chosen from the raw arguments alone; the parsed options give its key
    // no meaning.
    if (const std::optional<std::wstring> directory = FindSelfTestDir(arguments))
        return modes.RenderScreenshots(manifest, options, *directory);
    if (options.Silent) return modes.RunSilent(manifest, options);
    return modes.ShowWizard(manifest, options);
}

}  // namespace Ravenquill::Program
