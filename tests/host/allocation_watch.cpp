#include "allocation_watch.h"

#if defined(__SANITIZE_ADDRESS__)
#define SLIPWAY_WATCH_HEAP 1
// The sanitizer runtime's allocator interface (g++ ships no header for it).
extern "C" {
int __sanitizer_install_malloc_and_free_hooks(void (*mallocHook)(const volatile void*, size_t),
                                              void (*freeHook)(const volatile void*));
size_t __sanitizer_get_allocated_size(const volatile void* pointer);
}
#endif

namespace {

// One watch at a time; the hooks stay installed and do nothing between.
struct WatchState {
    bool active = false;
    size_t largest = 0;
    int64_t live = 0;
    int64_t peak = 0;
};
WatchState state;

#ifdef SLIPWAY_WATCH_HEAP
void onAllocate(const volatile void*, size_t size)
{
    if (!state.active)
        return;
    if (size > state.largest)
        state.largest = size;
    state.live += int64_t(size);
    if (state.live > state.peak)
        state.peak = state.live;
}

void onFree(const volatile void* pointer)
{
    if (state.active && pointer)
        state.live -= int64_t(__sanitizer_get_allocated_size(pointer));
}

bool installHooks()
{
    static const bool installed = __sanitizer_install_malloc_and_free_hooks(onAllocate, onFree) != 0;
    return installed;
}
#else
bool installHooks()
{
    return false;
}
#endif

}  // namespace

AllocationWatch::AllocationWatch()
{
    state = WatchState();
    state.active = installHooks();
}

AllocationWatch::~AllocationWatch()
{
    state.active = false;
}

bool AllocationWatch::available()
{
    return installHooks();
}

size_t AllocationWatch::largestAllocation() const
{
    return state.largest;
}

uint64_t AllocationWatch::peakGrowth() const
{
    return state.peak > 0 ? uint64_t(state.peak) : 0;
}
