#pragma once
// Test seam over the program's own operator new (allocation_failure.cpp, linked into the test
// programs that use it): counts the allocations made while a ScopedAllocationFailure lives and
// fails one of them, chosen by its number, as a machine out of memory does: std::bad_alloc, or
// null from the forms that throw nothing. Other allocations go on as before. One scope at a time.
#include <cstddef>

namespace Ravenquill::Testing {

struct AllocationChoice {
    // The allocation to fail, counting from 1; 0 fails none and only counts.
    std::size_t FailAt = 0;
    // Only allocations of at least this many bytes count.
    std::size_t LeastBytes = 0;
    // Only those of threads other than the one that made the scope count.
    bool OtherThreadsOnly = false;
};

class ScopedAllocationFailure {
public:
    explicit ScopedAllocationFailure(AllocationChoice choice);
    ~ScopedAllocationFailure();
    ScopedAllocationFailure(const ScopedAllocationFailure&) = delete;
    ScopedAllocationFailure& operator=(const ScopedAllocationFailure&) = delete;

    // The allocations counted so far.
    std::size_t Counted() const noexcept;
    // Whether the chosen one was reached and failed.
    bool Failed() const noexcept;
};

}  // namespace Ravenquill::Testing
