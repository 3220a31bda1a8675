// Watches the heap while a piece of code runs: the largest single allocation
// and the peak of the bytes allocated beyond what was live at the start.
// Works through the sanitizer allocator's hooks, so only in the sanitized
// test build; available() says whether it watches.
#pragma once

#include <stddef.h>
#include <stdint.h>

class AllocationWatch {
public:
    AllocationWatch();
    ~AllocationWatch();
    AllocationWatch(const AllocationWatch&) = delete;
    AllocationWatch& operator=(const AllocationWatch&) = delete;

    static bool available();
    size_t largestAllocation() const;
    uint64_t peakGrowth() const;
};
