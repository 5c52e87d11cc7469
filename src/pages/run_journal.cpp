#include "run_journal.h"

#include <utility>

namespace Ravenquill::Pages {

void RunJournal::Append(std::wstring line) {
    lines_.push_back(std::move(line));
    while (lines_.size() > Capacity) lines_.pop_front();
}

std::vector<std::wstring> RunJournal::Lines() const { return {lines_.begin(), lines_.end()}; }

}  // namespace Ravenquill::Pages
