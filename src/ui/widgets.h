#pragma once
// The buttons of the wizard. There are no widget objects: each button is one call made while a
// frame is drawn; it reads the pointer, draws itself, marks the pointer as over something
// clickable, and answers whether it was clicked in this frame:
//     Widgets widgets{theme, canvas, input};
//     if (widgets.PrimaryButton(next, L"Далее", true)) wizard.Show(...);
// The check box, the option card and the component row are members of Canvas (canvas.h).
#include <string_view>

#include "canvas.h"
#include "input.h"
#include "rect.h"
#include "text_style.h"
#include "theme.h"

namespace Ravenquill::Ui {

struct Widgets {
    const Ui::Theme& Theme;
    Ui::Canvas& Canvas;
    Ui::Input& Input;

    // Accent fill for the main action. A disabled button is drawn in Hover with a muted label and
    // ignores the pointer.
    bool PrimaryButton(const Rect& rect, std::wstring_view label, bool enabled);
    // Outlined button. A disabled one looks like an idle enabled one; only hovering and clicking stop.
    bool SecondaryButton(const Rect& rect, std::wstring_view label, bool enabled);
    // No frame until hovered; always enabled.
    bool TextButton(const Rect& rect, std::wstring_view label);

    // The label styles the pages also measure button labels with: one line, left-aligned.
    TextStyle PrimaryLabelStyle() const;  // 13.5, semibold, OnAccent
    TextStyle LabelStyle() const;         // 13.5, regular, Text
};

}  // namespace Ravenquill::Ui
