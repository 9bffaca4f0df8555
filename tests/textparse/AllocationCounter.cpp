#include "AllocationCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace
{
std::atomic<std::size_t> g_nAllocations{0};

void* Allocate(std::size_t nSize)
{
    g_nAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(nSize == 0 ? 1 : nSize))
    {
        return p;
    }
    throw std::bad_alloc();
}
} // namespace

std::size_t AllocationCount()
{
    return g_nAllocations.load(std::memory_order_relaxed);
}

void* operator new(std::size_t nSize)
{
    return Allocate(nSize);
}

void* operator new[](std::size_t nSize)
{
    return Allocate(nSize);
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete[](void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
