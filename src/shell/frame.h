#pragma once
// The one drawing of a whole wizard frame, used by the window and by the screenshot mode alike, so
// a screenshot shows exactly what the window shows: the chrome around the page, and with a dialog
// open the page drawn with an inert input (nothing hovered, nothing clicked) under the dialog,
// which gets the real input. The caller begins and ends the drawing on the canvas's target.
#include <memory>

#include "chrome.h"
#include "dialog.h"
#include "page.h"
#include "shell_state.h"
#include "ui/canvas.h"
#include "ui/input.h"
#include "wizard.h"

namespace Ravenquill::Shell {

// The wizard's frame: its dialog is taken once, before anything is drawn, and decides the whole
// frame; its current page is taken when the page is drawn. Both copies live until the frame ends,
// so a click that replaces the page or the dialog in this very frame leaves the drawing intact.
void DrawFrame(Ui::Canvas& canvas, Chrome& chrome, const Wizard& wizard, Ui::Input& input);

// A frame of a page and a dialog given by the caller (either may be absent).
void DrawFrame(Ui::Canvas& canvas, Chrome& chrome, const ShellState& state, std::shared_ptr<IPage> page,
               std::shared_ptr<const Dialog> dialog, Ui::Input& input);

}  // namespace Ravenquill::Shell
