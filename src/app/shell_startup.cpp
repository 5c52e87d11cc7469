#include "app/shell_startup.h"

#include <vector>

#include "core/common/host.h"
#include "core/common/text.h"
#include "ui/png.h"

namespace Ravenquill::Program {

std::shared_ptr<Shell::ShellState> BuildShellState(const Core::InstallManifest& manifest,
                                                   const Core::CommandLineOptions& options) {
    std::vector<std::wstring> titles;
    if (options.Uninstall)
        titles = {L"Подтверждение", L"Удаление", L"Готово"};
    else if (manifest.RequireLicenseAccept)
        // The licence step is a title on the rail only: the options page claims the step after it.
        titles = {L"Начало", L"Лицензия", L"Параметры", L"Установка", L"Готово"};
    else
        titles = {L"Начало", L"Параметры", L"Установка", L"Готово"};
    std::vector<Shell::WizardStep> steps;
    for (std::size_t i = 0; i < titles.size(); ++i) steps.push_back({static_cast<int>(i) + 1, titles[i]});

    auto state = std::make_shared<Shell::ShellState>();
    state->SetSteps(std::move(steps));
    state->ProductName = manifest.ProductName;
    state->Version = manifest.Version;
    state->Publisher = manifest.Publisher;
    state->Monogram = Monogram(manifest.ProductName);
    return state;
}

std::wstring Monogram(std::wstring_view productName) {
    const std::wstring_view name = Text::Trim(productName);
    if (name.empty()) return L"?";
    return std::wstring(1, Text::ToUpper(name.front()));
}

std::shared_ptr<Ui::CanvasBitmap> LoadLogo(Ui::Canvas& canvas) {
    const auto resource = Host().FindEmbeddedResource(L"Ravenquill.Logo.png");
    if (!resource) return nullptr;
    const std::optional<Ui::PngImage> image = Ui::Png::Decode(*resource);
    if (!image) return nullptr;
    return canvas.CreateBitmap(static_cast<std::uint32_t>(image->Width), static_cast<std::uint32_t>(image->Height),
                               image->Pixels);
}

}  // namespace Ravenquill::Program
