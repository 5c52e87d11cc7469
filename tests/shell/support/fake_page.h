#pragma once
// A page that draws nothing and writes down how it was drawn: with which input, how often, and
// an action the test gives it to run while it draws (a click's navigation, for instance).
#include <functional>
#include <vector>

#include "shell/page.h"

namespace Ravenquill::Testing {

class FakePage : public Shell::IPage {
public:
    explicit FakePage(int step = 1, bool animated = false) : step_(step), animated_(animated) {}

    int Step() const override { return step_; }
    bool Animated() const override { return animated_; }
    void Draw(Ui::Canvas& canvas, Ui::Input& input) override {
        Inputs.push_back(input);
        if (OnDraw) OnDraw(canvas, input);
    }

    std::vector<Ui::Input> Inputs;  // the input of each draw, as the page received it
    std::function<void(Ui::Canvas&, Ui::Input&)> OnDraw;

private:
    int step_;
    bool animated_;
};

}  // namespace Ravenquill::Testing
