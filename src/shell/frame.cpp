#include "shell/frame.h"

#include <functional>
#include <utility>

namespace Ravenquill::Shell {
namespace {

void Draw(Ui::Canvas& canvas, Chrome& chrome, const ShellState& state,
          const std::function<std::shared_ptr<IPage>()>& takePage, const std::shared_ptr<const Dialog>& dialog,
          Ui::Input& input) {
    // The widgets mark it again while they draw.
    input.Hot = false;
    chrome.Draw(canvas, state, [&](Ui::Canvas& content) {
        const std::shared_ptr<IPage> page = takePage();
        if (dialog) {
            Ui::Input inert = Ui::Input::Inert();
            if (page) page->Draw(content, inert);
            Chrome::DrawDialog(content, input, chrome.Theme, *dialog);
        } else if (page) {
            page->Draw(content, input);
        }
    });
}

}  // namespace

void DrawFrame(Ui::Canvas& canvas, Chrome& chrome, const Wizard& wizard, Ui::Input& input) {
    const std::shared_ptr<const Dialog> dialog = wizard.Dialog();
    Draw(
        canvas, chrome, *wizard.State, [&wizard] { return wizard.CurrentPage(); }, dialog, input);
}

void DrawFrame(Ui::Canvas& canvas, Chrome& chrome, const ShellState& state, std::shared_ptr<IPage> page,
               std::shared_ptr<const Dialog> dialog, Ui::Input& input) {
    Draw(
        canvas, chrome, state, [&page] { return page; }, dialog, input);
}

}  // namespace Ravenquill::Shell
