#pragma once
// The sidebar's header data and step rail. The step marks are replaced as one immutable list, so a
// worker thread's Wizard::Show can publish them while the UI thread draws the previous list.
#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "ui/canvas.h"

namespace Ravenquill::Shell {

struct WizardStep {
    int Number = 0;
    std::wstring Title;
    bool IsActive = false;
    bool IsCompleted = false;

    bool operator==(const WizardStep&) const = default;
    std::size_t Hash() const noexcept;
    // WizardStep { Number = 1, Title = Начало, IsActive = False, IsCompleted = False }
    std::wstring ToString() const;
};

using WizardStepList = std::shared_ptr<const std::vector<WizardStep>>;

class ShellState {
public:
    ShellState();
    ShellState(const ShellState&) = delete;
    ShellState& operator=(const ShellState&) = delete;

    // Written once by the start-up before the first frame; read by the frame on the UI thread.
    std::wstring ProductName;
    std::wstring Version;
    std::wstring Publisher;
    std::wstring Monogram;
    // The embedded logo, made on the window's surface once it exists; absent: the monogram tile.
    std::shared_ptr<Ui::CanvasBitmap> Logo;
    // Caption button under the pointer: 0 none, 1 minimise, 2 close. UI thread only.
    int CaptionHover = 0;

    // The step rail as one consistent list; safe from any thread.
    WizardStepList Steps() const;
    void SetSteps(std::vector<WizardStep> steps);
    // For every step: IsActive = (Number == n), IsCompleted = (Number < n). Safe from any thread.
    void SetCurrentStep(int n);

private:
    std::atomic<WizardStepList> steps_;
};

}  // namespace Ravenquill::Shell
