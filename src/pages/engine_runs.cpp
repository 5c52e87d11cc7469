#include "engine_runs.h"

#include <utility>

namespace Ravenquill::Pages {
namespace {

std::shared_ptr<EngineRuns>& Installed() {
    static std::shared_ptr<EngineRuns> engines = EngineRuns::System();
    return engines;
}

}  // namespace

std::shared_ptr<EngineRuns> CurrentEngineRuns() { return Installed(); }

ScopedEngineRuns::ScopedEngineRuns(std::shared_ptr<EngineRuns> replacement)
    : previous_(std::exchange(Installed(), std::move(replacement))) {}

ScopedEngineRuns::~ScopedEngineRuns() { Installed() = std::move(previous_); }

}  // namespace Ravenquill::Pages
