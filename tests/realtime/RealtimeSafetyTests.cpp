#include "Support.h"

// Every heap entry point of this binary comes through here. A thread counts its own calls while
// `counting` is set, so the message thread and the test framework allocate freely.
extern "C" void *__libc_malloc (size_t), *__libc_calloc (size_t, size_t), *__libc_realloc (void*, size_t),
    *__libc_memalign (size_t, size_t), __libc_free (void*);

namespace
{
thread_local bool counting = false;
thread_local long calls = 0;

template <typename Result>
Result counted (Result result) noexcept
{
    calls += counting;
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

TEST (RealtimeSafety, ProcessBlockNeverTouchesTheHeap)
{
    // The counter must see what it is there to see, or every zero below means nothing.
    counting = true;
    {
        std::vector<int> vector (10); // operator new, then delete
        asm volatile("" : : "r"(vector.data()) : "memory");
    }
    counting = false;
    EXPECT_EQ (std::exchange (calls, 0), 2);

    for (const auto channels : { 2, 1, 0 })
    {
        PluginAudioProcessor engine;
        prepare (engine, 48000.0, 256, std::max (channels, 1));
        juce::MidiBuffer midi;
        // Blocks of the announced size, oversized and of one sample, while the message thread's part
        // runs in between: a knob handing over a new set, automation, analyses.
        for (int b = 0; b < 4000; ++b)
        {
            auto block = noise (channels, b < 3000 ? 256 : b < 3200 ? 1024 : 1, b % 13);
            if (b % 7 == 0)
                set (engine, "topValue", (float) (b % 100)), engine.updateParameters();
            if (b % 11 == 0)
                set (engine, "gain", 20.0f + (float) (b * 37 % 19000));
            if (b % 13 == 0)
                set (engine, "midValue", (float) (b % 101));
            if (b % 3 == 0 && engine.fftInputReady)
                engine.drawNextFrameOfSpectrum(), engine.fftInputReady = false;
            counting = true;
            engine.processBlock (block, midi);
            counting = false;
        }
        EXPECT_EQ (std::exchange (calls, 0), 0) << channels << " channels";
    }
}
