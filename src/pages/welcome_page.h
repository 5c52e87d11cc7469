#pragma once
// The first page of an installation or an update: what will happen, where and how much, and two
// ways on (install with the current settings, or configure them first).
#include <string>

#include "shell/page.h"
#include "shell/wizard.h"
#include "ui/canvas.h"
#include "ui/input.h"
#include "ui/rect.h"
#include "ui/text_style.h"
#include "ui/theme.h"

namespace Ravenquill::Pages {

class WelcomePage final : public Shell::IPage {
public:
    explicit WelcomePage(Shell::Wizard& wizard) : Wizard(wizard), Theme(wizard.Theme) {}

    Shell::Wizard& Wizard;
    const Ui::Theme Theme;

    int Step() const override { return 1; }
    void Draw(Ui::Canvas& canvas, Ui::Input& input) override;

    // Texts read from the wizard on every call.
    std::wstring Title() const;
    std::wstring Description() const;
    std::wstring PrimaryLabel() const;
    std::wstring ScopeText() const;
    std::wstring SizeText() const;
    bool PayloadMissing() const noexcept;

    Ui::TextStyle LabelStyle() const;
    Ui::TextStyle ValueStyle() const;

    // The information card: install directory, then scope and size side by side.
    float MeasureInfoCard(Ui::Canvas& canvas, float width) const;
    void DrawInfoCard(Ui::Canvas& canvas, const Ui::Rect& rect) const;

private:
    void DrawLabelValue(Ui::Canvas& canvas, std::wstring_view label, std::wstring_view value, float x, float y,
                        float width, bool wrap) const;
    void DrawMissingPayloadCard(Ui::Canvas& canvas, const Ui::Rect& rect) const;
    void DrawFooter(Ui::Canvas& canvas, Ui::Input& input, const Ui::Rect& content) const;
};

}  // namespace Ravenquill::Pages
