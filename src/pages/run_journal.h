#pragma once
// The last lines of a run's log that the progress page shows in its journal, oldest first. Not
// synchronised: the page guards it with its own lock, together with the status it belongs to.
#include <cstddef>
#include <deque>
#include <string>
#include <vector>

namespace Ravenquill::Pages {

class RunJournal {
public:
    static constexpr std::size_t Capacity = 400;

    // Appends the line and drops the oldest ones beyond the capacity.
    void Append(std::wstring line);
    // A copy of the lines, oldest first, for one frame.
    std::vector<std::wstring> Lines() const;
    std::size_t Size() const noexcept { return lines_.size(); }

private:
    std::deque<std::wstring> lines_;
};

}  // namespace Ravenquill::Pages
