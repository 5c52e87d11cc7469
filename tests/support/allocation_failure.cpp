#include "allocation_failure.h"

#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>

namespace Ravenquill::Testing {
namespace {

std::atomic<bool> g_armed{false};
std::atomic<std::size_t> g_counted{0};
std::atomic<bool> g_failed{false};
std::size_t g_failAt = 0;
std::size_t g_leastBytes = 0;
bool g_otherThreadsOnly = false;
std::thread::id g_owner;

// Whether this allocation is the one to fail; set up before g_armed, read only after it.
bool FailsNow(std::size_t size) noexcept {
    if (!g_armed.load(std::memory_order_acquire) || size < g_leastBytes) return false;
    if (g_otherThreadsOnly && std::this_thread::get_id() == g_owner) return false;
    const std::size_t number = g_counted.fetch_add(1) + 1;
    if (number != g_failAt) return false;
    g_failed.store(true);
    return true;
}

void* Allocate(std::size_t size) {
    if (FailsNow(size)) throw std::bad_alloc();
    if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
    throw std::bad_alloc();
}

void* AllocateOrNull(std::size_t size) noexcept {
    if (FailsNow(size)) return nullptr;
    return std::malloc(size == 0 ? 1 : size);
}

}  // namespace

ScopedAllocationFailure::ScopedAllocationFailure(AllocationChoice choice) {
    g_failAt = choice.FailAt;
    g_leastBytes = choice.LeastBytes;
    g_otherThreadsOnly = choice.OtherThreadsOnly;
    g_owner = std::this_thread::get_id();
    g_counted.store(0);
    g_failed.store(false);
    g_armed.store(true, std::memory_order_release);
}

ScopedAllocationFailure::~ScopedAllocationFailure() { g_armed.store(false); }

std::size_t ScopedAllocationFailure::Counted() const noexcept { return g_counted.load(); }

bool ScopedAllocationFailure::Failed() const noexcept { return g_failed.load(); }

}  // namespace Ravenquill::Testing

using Ravenquill::Testing::Allocate;
using Ravenquill::Testing::AllocateOrNull;

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return AllocateOrNull(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return AllocateOrNull(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
