#include "shell/shell_state.h"

#include <functional>
#include <utility>

#include "core/common/number_format.h"

namespace Ravenquill::Shell {
namespace {

std::size_t Combine(std::size_t seed, std::size_t value) noexcept {
    return seed ^ (value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2));
}

const wchar_t* FlagText(bool value) noexcept { return value ? L"True" : L"False"; }

}  // namespace

std::size_t WizardStep::Hash() const noexcept {
    std::size_t hash = std::hash<int>{}(Number);
    hash = Combine(hash, std::hash<std::wstring>{}(Title));
    hash = Combine(hash, IsActive ? 1 : 0);
    return Combine(hash, IsCompleted ? 1 : 0);
}

std::wstring WizardStep::ToString() const {
    return L"WizardStep { Number = " + FormatDouble(Number) + L", Title = " + Title + L", IsActive = " +
           FlagText(IsActive) + L", IsCompleted = " + FlagText(IsCompleted) + L" }";
}

ShellState::ShellState() : steps_(std::make_shared<const std::vector<WizardStep>>()) {}

WizardStepList ShellState::Steps() const { return steps_.load(); }

void ShellState::SetSteps(std::vector<WizardStep> steps) {
    steps_.store(std::make_shared<const std::vector<WizardStep>>(std::move(steps)));
}

void ShellState::SetCurrentStep(int n) {
    // A new list replaces the old one as a whole, so a frame being drawn keeps the list it took. The
    // exchange retries when another thread published a list in between (steps set meanwhile stay).
    WizardStepList current = steps_.load();
    for (;;) {
        auto marked = std::make_shared<std::vector<WizardStep>>(*current);
        for (WizardStep& step : *marked) {
            step.IsActive = step.Number == n;
            step.IsCompleted = step.Number < n;
        }
        if (steps_.compare_exchange_weak(current, std::move(marked))) return;
    }
}

}  // namespace Ravenquill::Shell
