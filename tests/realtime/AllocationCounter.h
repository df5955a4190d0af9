#pragma once

#include <atomic>

// Counts heap allocations and frees made by the current thread while a Scope is alive. The
// binary that links AllocationCounter.cpp interposes malloc, free and the global operator
// new/delete, so nothing can allocate unseen: not our code, not JUCE, not the standard library.
struct AllocationCounter
{
    struct Scope
    {
        Scope() noexcept;
        ~Scope();
        Scope (const Scope&) = delete;
        Scope& operator= (const Scope&) = delete;
    };

    static long allocations() noexcept;
    static long deallocations() noexcept;
};
