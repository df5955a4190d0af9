#include "Support.h"

// Every heap entry point of this binary comes through here, so that the two-thread test, built into
// this binary too, counts every heap call its audio thread makes inside processBlock.
extern "C" void *__libc_malloc (size_t), *__libc_calloc (size_t, size_t), *__libc_realloc (void*, size_t),
    *__libc_memalign (size_t, size_t), __libc_free (void*);

namespace
{
template <typename Result>
Result counted (Result result) noexcept
{
    heapCalls += countHeapCalls;
    return result;
}
} // namespace

// clang-format off
extern "C"
{
void* malloc (size_t size) { return counted (__libc_malloc (size)); }
void* calloc (size_t count, size_t size) { return counted (__libc_calloc (count, size)); }
void* realloc (void* p, size_t size) { return counted (__libc_realloc (p, size)); }
void* memalign (size_t alignment, size_t size) { return counted (__libc_memalign (alignment, size)); }
void* aligned_alloc (size_t alignment, size_t size) { return counted (__libc_memalign (alignment, size)); }
int posix_memalign (void** p, size_t alignment, size_t size) { return counted ((*p = __libc_memalign (alignment, size)) ? 0 : ENOMEM); }
void free (void* p) { counted ((__libc_free (p), 0)); }
}
// clang-format on

// The counter must see what it is there to see, or every zero it reports means nothing.
TEST (RealtimeSafety, TheHeapCounterSeesNewAndDelete)
{
    countHeapCalls = true;
    {
        std::vector<int> vector (10);
        asm volatile("" : : "r"(vector.data()) : "memory");
    }
    countHeapCalls = false;
    EXPECT_EQ (std::exchange (heapCalls, 0), 2);
}
