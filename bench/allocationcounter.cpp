#include "allocationcounter.h"

#include <atomic>
#include <cerrno>
#include <malloc.h>

// glibc's own entry points, which the stand-ins below hand every call to.
// NOLINTBEGIN(bugprone-reserved-identifier): the names are glibc's.
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* pointer);
}
// NOLINTEND(bugprone-reserved-identifier)

namespace {

std::atomic<bool> g_counting {false};
std::atomic<long long> g_held {0};
std::atomic<long long> g_peak {0};

void Added(void* pointer)
{
    if (!pointer || !g_counting.load(std::memory_order_relaxed))
        return;
    const long long held = g_held += static_cast<long long>(malloc_usable_size(pointer));
    long long peak = g_peak.load(std::memory_order_relaxed);
    while (held > peak && !g_peak.compare_exchange_weak(peak, held)) { }
}

void Removed(void* pointer)
{
    // Blocks allocated before the start count as freed too: the peak is of the net balance.
    if (pointer && g_counting.load(std::memory_order_relaxed))
        g_held -= static_cast<long long>(malloc_usable_size(pointer));
}

} // namespace

void AllocationCounter::Start()
{
    g_held = 0;
    g_peak = 0;
    g_counting = true;
}

std::size_t AllocationCounter::Stop()
{
    g_counting = false;
    return static_cast<std::size_t>(g_peak.load());
}

extern "C" {

void* malloc(std::size_t size)
{
    void* pointer = __libc_malloc(size);
    Added(pointer);
    return pointer;
}

void* calloc(std::size_t count, std::size_t size)
{
    void* pointer = __libc_calloc(count, size);
    Added(pointer);
    return pointer;
}

void* realloc(void* old, std::size_t size)
{
    Removed(old);
    void* pointer = __libc_realloc(old, size);
    // A failed realloc keeps the old block.
    Added(pointer ? pointer : (size ? old : nullptr));
    return pointer;
}

void* memalign(std::size_t alignment, std::size_t size)
{
    void* pointer = __libc_memalign(alignment, size);
    Added(pointer);
    return pointer;
}

void* aligned_alloc(std::size_t alignment, std::size_t size)
{
    return memalign(alignment, size);
}

int posix_memalign(void** result, std::size_t alignment, std::size_t size)
{
    void* pointer = memalign(alignment, size);
    if (!pointer)
        return ENOMEM;
    *result = pointer;
    return 0;
}

void free(void* pointer)
{
    Removed(pointer);
    __libc_free(pointer);
}

} // extern "C"
