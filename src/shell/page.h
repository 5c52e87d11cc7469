#pragma once
// One page of the wizard. A page draws itself inside Chrome::ContentRect once per frame and acts on
// its widgets' clicks in the same pass (Wizard::Show, Wizard::BeginInstall, Wizard::RequestClose).
// A page object is made anew on every navigation and dropped when another page is shown.
#include "ui/canvas.h"
#include "ui/input.h"

namespace Ravenquill::Shell {

class IPage {
public:
    virtual ~IPage() = default;

    // The step-rail entry marked active while the page is shown.
    virtual int Step() const = 0;
    // True while the page wants a frame every 16 ms (the progress page's spinner and bar).
    virtual bool Animated() const { return false; }
    virtual void Draw(Ui::Canvas& canvas, Ui::Input& input) = 0;
};

}  // namespace Ravenquill::Shell
