// Kept in a file of its own: the compiler must not see these next to the code that allocates.
// The array forms of new and delete fall back to the plain ones.
#include "AllocationCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace
{
std::atomic<std::size_t> g_nAllocations{0};
} // namespace

std::size_t AllocationCount()
{
    return g_nAllocations.load(std::memory_order_relaxed);
}

void* operator new(std::size_t nSize)
{
    g_nAllocations.fetch_add(1, std::memory_order_relaxed);
    void* p = std::malloc(nSize == 0 ? 1 : nSize);
    return p != nullptr ? p : throw std::bad_alloc();
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
