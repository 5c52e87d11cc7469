#pragma once
// The window frame: the soft drop shadow, the rounded card, the sidebar with logo or monogram,
// name, version, step rail and footer, the two caption buttons, and the modal dialog over the card.
// Drawn only through Canvas, once per frame, by the window and by the screenshot mode; the pages lay
// themselves out in ContentRect. All geometry is in logical pixels of the 940 × 580 window.
#include <functional>
#include <memory>

#include "dialog.h"
#include "shell_state.h"
#include "ui/canvas.h"
#include "ui/input.h"
#include "ui/rect.h"
#include "ui/theme.h"

namespace Ravenquill::Shell {

class Chrome {
public:
    static constexpr float WindowWidth = 940;
    static constexpr float WindowHeight = 580;
    static constexpr Ui::Rect CardRect{24, 24, 916, 556};
    static constexpr Ui::Rect SidebarRect{24, 24, 288, 556};
    static constexpr Ui::Rect ContentRect{328, 64, 876, 524};
    static constexpr Ui::Rect MinimizeButtonRect{824, 24, 870, 60};
    static constexpr Ui::Rect CloseButtonRect{870, 24, 916, 60};

    explicit Chrome(const Ui::Theme& theme) : Theme(theme) {}

    const Ui::Theme Theme;

    // Shadow, card, sidebar and caption buttons, then content inside the card's rounded clip, then
    // the card's outline on top. The shadow bitmap is made on the first call's canvas target: a
    // frame object must always be drawn on the same canvas.
    void Draw(Ui::Canvas& canvas, const ShellState& state, const std::function<void(Ui::Canvas&)>& content);

    // Forgets the shadow bitmap after its render target was lost; the next Draw makes it anew on the
    // canvas's new target.
    void ReleaseShadow() noexcept { shadow_.reset(); }

    // The scrim and the dialog box with its buttons; runs OnPrimary / OnSecondary on a click.
    static void DrawDialog(Ui::Canvas& canvas, Ui::Input& input, const Ui::Theme& theme, const Dialog& dialog);

private:
    std::shared_ptr<Ui::CanvasBitmap> shadow_;
};

}  // namespace Ravenquill::Shell
