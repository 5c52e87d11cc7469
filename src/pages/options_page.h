#pragma once
// The installation's settings before it starts: directory (through the folder picker), space
// required and free, scope, components, shortcuts and PATH. Edits the wizard's settings in place;
// the settings area scrolls with the wheel inside a clipped viewport.
#include <cstdint>
#include <memory>
#include <string>

#include "free_space.h"
#include "shell/chrome.h"
#include "shell/page.h"
#include "shell/wizard.h"
#include "ui/canvas.h"
#include "ui/input.h"
#include "ui/rect.h"
#include "ui/theme.h"

namespace Ravenquill::Pages {

class OptionsPage final : public Shell::IPage {
public:
    explicit OptionsPage(Shell::Wizard& wizard)
        : Wizard(wizard), Theme(wizard.Theme), freeSpace_(wizard.Platform, [&wizard] { wizard.RequestRedraw(); }) {}

    // The settings area, (328, 136, 876, 468): below the heading, 20 px above the 36-px footer.
    static constexpr Ui::Rect Viewport{Shell::Chrome::ContentRect.Left, Shell::Chrome::ContentRect.Top + 72,
                                       Shell::Chrome::ContentRect.Right, Shell::Chrome::ContentRect.Bottom - 56};
    // Logical pixels one wheel notch (120 wheel units) moves the content: half a pixel per unit.
    static constexpr float ScrollPerNotch = 120 * 0.5f;

    Shell::Wizard& Wizard;
    const Ui::Theme Theme;
    // From 0 to the content height minus the viewport height; a new page starts at the top.
    float Scroll = 0;
    // The settings area's height as laid out in the last frame.
    float ContentHeight = 0;

    int Step() const override;
    void Draw(Ui::Canvas& canvas, Ui::Input& input) override;

    // Wheel scrolling over the viewport, then clamping (every frame). A frame that changes the
    // offset asks for one more frame, which draws it.
    void HandleScroll(Ui::Input& input, const Ui::Rect& viewport);
    // The unassigned files and the selected components that own files; the whole payload when 0.
    std::int64_t GetRequiredBytes() const;
    // The bytes free to this user on the directory's drive, or "—" when they cannot be had, asked
    // now. The frames draw what the pool has found out instead (FreeSpaceProbe), "…" until then.
    std::wstring GetFreeSpaceText() const;
    // The folder picker, once this frame's click has been handled (Wizard::AfterFrame); a chosen
    // folder becomes the install directory, drawn by the frame it asks for.
    void Browse();

private:
    FreeSpaceProbe freeSpace_;
    // The picker has been asked for and has not returned yet (UI thread only).
    std::shared_ptr<bool> picking_ = std::make_shared<bool>(false);

    float DrawSettings(Ui::Canvas& canvas, Ui::Input& input, float top);
    void DrawFooter(Ui::Canvas& canvas, Ui::Input& input, const Ui::Rect& content);
};

}  // namespace Ravenquill::Pages
