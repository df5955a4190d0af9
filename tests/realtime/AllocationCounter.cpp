#include "AllocationCounter.h"

#include <cstdlib>
#include <new>

// Every heap entry point of this binary goes through here. Allocations are counted only on a
// thread inside an AllocationCounter::Scope, so the message thread, JUCE's own threads and the
// test framework allocate freely.

extern "C"
{
    void* __libc_malloc (size_t);
    void* __libc_calloc (size_t, size_t);
    void* __libc_realloc (void*, size_t);
    void* __libc_memalign (size_t, size_t);
    void __libc_free (void*);
}

namespace
{
thread_local bool counting = false;
std::atomic<long> allocations { 0 };
std::atomic<long> deallocations { 0 };

void noteAllocation() noexcept
{
    if (counting)
        allocations.fetch_add (1, std::memory_order_relaxed);
}

void noteDeallocation() noexcept
{
    if (counting)
        deallocations.fetch_add (1, std::memory_order_relaxed);
}
} // namespace

AllocationCounter::Scope::Scope() noexcept
{
    counting = true;
}

AllocationCounter::Scope::~Scope()
{
    counting = false;
}

long AllocationCounter::allocations() noexcept
{
    return ::allocations.load();
}

long AllocationCounter::deallocations() noexcept
{
    return ::deallocations.load();
}

extern "C"
{
    void* malloc (size_t size)
    {
        noteAllocation();
        return __libc_malloc (size);
    }

    void* calloc (size_t count, size_t size)
    {
        noteAllocation();
        return __libc_calloc (count, size);
    }

    void* realloc (void* pointer, size_t size)
    {
        noteAllocation();
        return __libc_realloc (pointer, size);
    }

    void* aligned_alloc (size_t alignment, size_t size)
    {
        noteAllocation();
        return __libc_memalign (alignment, size);
    }

    int posix_memalign (void** result, size_t alignment, size_t size)
    {
        noteAllocation();
        *result = __libc_memalign (alignment, size);
        return *result != nullptr ? 0 : 12; // ENOMEM
    }

    void free (void* pointer)
    {
        if (pointer != nullptr)
            noteDeallocation();
        __libc_free (pointer);
    }
}

void* operator new (size_t size)
{
    noteAllocation();
    if (auto* p = __libc_malloc (size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

void* operator new[] (size_t size)
{
    return operator new (size);
}

void* operator new (size_t size, const std::nothrow_t&) noexcept
{
    noteAllocation();
    return __libc_malloc (size == 0 ? 1 : size);
}

void* operator new[] (size_t size, const std::nothrow_t&) noexcept
{
    return operator new (size, std::nothrow);
}

void* operator new (size_t size, std::align_val_t alignment)
{
    noteAllocation();
    if (auto* p = __libc_memalign ((size_t) alignment, size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

void* operator new[] (size_t size, std::align_val_t alignment)
{
    return operator new (size, alignment);
}

void operator delete (void* pointer) noexcept
{
    if (pointer != nullptr)
        noteDeallocation();
    __libc_free (pointer);
}

void operator delete[] (void* pointer) noexcept
{
    operator delete (pointer);
}

void operator delete (void* pointer, size_t) noexcept
{
    operator delete (pointer);
}

void operator delete[] (void* pointer, size_t) noexcept
{
    operator delete (pointer);
}

void operator delete (void* pointer, std::align_val_t) noexcept
{
    operator delete (pointer);
}

void operator delete[] (void* pointer, std::align_val_t) noexcept
{
    operator delete (pointer);
}

void operator delete (void* pointer, size_t, std::align_val_t) noexcept
{
    operator delete (pointer);
}

void operator delete[] (void* pointer, size_t, std::align_val_t) noexcept
{
    operator delete (pointer);
}
