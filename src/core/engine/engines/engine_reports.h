#pragma once
// The two events of an engine and the two ways its run raises them, written once for both
// engines: progress, its fraction held to 0..1, and log lines, each raised only when someone
// listens, on the thread that runs the step.
#include <algorithm>
#include <optional>
#include <string>
#include <utility>

#include "core/common/event.h"
#include "core/model/install_progress.h"

namespace Ravenquill::Core {

template <class Engine>
class EngineReports {
public:
    Event<Engine, InstallProgress> Progress;
    Event<Engine, std::wstring> Log;

    void Report(double fraction, std::wstring status, std::optional<std::wstring> detail = std::nullopt) {
        if (!Progress.HasSubscribers()) return;
        Progress.Raise(Self(), InstallProgress(std::clamp(fraction, 0.0, 1.0), std::move(status), std::move(detail)));
    }
    void WriteLog(const std::wstring& line) {
        if (Log.HasSubscribers()) Log.Raise(Self(), line);
    }

protected:
    EngineReports() = default;
    ~EngineReports() = default;

private:
    Engine& Self() noexcept { return static_cast<Engine&>(*this); }
};

}  // namespace Ravenquill::Core
