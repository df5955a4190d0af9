#include "AllocationCounter.h"
#include "EngineHarness.h"

#include <gtest/gtest.h>

#include <thread>

namespace
{
// Processes `blocks` blocks inside an allocation-counting scope and returns the count. Between
// blocks, outside the scope, `between` plays the message thread's part.
template <typename Between>
long allocationsWhileProcessing (PluginAudioProcessor& engine, int channels, int blockSize, int blocks,
                                 Between&& between)
{
    juce::AudioBuffer<float> block (channels, blockSize);
    juce::MidiBuffer midi;
    juce::Random random (3);
    long counted = 0;

    for (int b = 0; b < blocks; ++b)
    {
        between (b);

        for (int c = 0; c < channels; ++c)
            for (int i = 0; i < blockSize; ++i)
                block.setSample (c, i, random.nextFloat() - 0.5f);

        const auto before = AllocationCounter::allocations() + AllocationCounter::deallocations();
        {
            AllocationCounter::Scope scope;
            engine.processBlock (block, midi);
        }
        counted += AllocationCounter::allocations() + AllocationCounter::deallocations() - before;
    }

    return counted;
}

// The editor's share of the work: analyse a waiting frame and release the work buffer.
void tick (PluginAudioProcessor& engine)
{
    if (engine.fftInputReady.load (std::memory_order_acquire))
    {
        engine.drawNextFrameOfSpectrum();
        engine.fftInputReady.store (false, std::memory_order_release);
    }
}
} // namespace

TEST (RealtimeSafety, CounterSeesAllocations)
{
    // The instrument itself must see what it is meant to see, or every zero below means nothing.
    const auto allocationsBefore = AllocationCounter::allocations();
    const auto deallocationsBefore = AllocationCounter::deallocations();
    {
        AllocationCounter::Scope scope;
        std::vector<int> vector (100);
        void* volatile raw = std::malloc (64);
        asm volatile("" : : "g"(vector.data()) : "memory");
        std::free (raw);
    }
    EXPECT_EQ (AllocationCounter::allocations() - allocationsBefore, 2);
    EXPECT_EQ (AllocationCounter::deallocations() - deallocationsBefore, 2);
}

TEST (RealtimeSafety, ProcessBlockNeverAllocates)
{
    for (const auto mono : { false, true })
    {
        PluginAudioProcessor engine;
        prepareEngine (engine, 48000.0, 256, mono);
        const auto channels = mono ? 1 : 2;

        const auto counted = allocationsWhileProcessing (
            engine, channels, 256, 4000,
            [&] (int b)
            {
                if (b % 7 == 0) // a window's knob: a complete new set is handed over
                {
                    setParameterValue (engine, "topValue", (float) (b % 100));
                    engine.updateParameters();
                }
                if (b % 11 == 0) // host automation: the engine designs for itself at the next block
                    setParameterValue (engine, "gain", 20.0f + (float) (b * 37 % 19000));
                if (b % 13 == 0)
                    setParameterValue (engine, "midValue", (float) (b % 101));
                if (b % 3 == 0)
                    tick (engine);
            });

        EXPECT_EQ (counted, 0) << (mono ? "mono" : "stereo");
    }
}

TEST (RealtimeSafety, OversizedAndOddBlocksNeverAllocate)
{
    PluginAudioProcessor engine;
    prepareEngine (engine, 44100.0, 128);

    EXPECT_EQ (allocationsWhileProcessing (engine, 2, 4 * 128, 500,
                                           [&] (int b)
                                           {
                                               if (b % 5 == 0)
                                                   tick (engine);
                                           }),
               0);
    EXPECT_EQ (allocationsWhileProcessing (engine, 2, 1, 3000, [] (int) {}), 0);
    EXPECT_EQ (allocationsWhileProcessing (engine, 2, 0, 10, [] (int) {}), 0);
    EXPECT_EQ (allocationsWhileProcessing (engine, 0, 128, 10, [] (int) {}), 0);
}

TEST (RealtimeSafety, AudioThreadNeverAllocatesWhileTheMessageThreadUpdates)
{
    PluginAudioProcessor engine;
    prepareEngine (engine, 48000.0, 128);

    std::atomic<bool> running { true };
    std::atomic<long> counted { 0 };

    std::thread audio (
        [&]
        {
            juce::AudioBuffer<float> block (2, 128);
            juce::MidiBuffer midi;
            AllocationCounter::Scope scope;
            const auto before = AllocationCounter::allocations() + AllocationCounter::deallocations();

            for (int b = 0; b < 20000 && running.load(); ++b)
            {
                block.clear();
                block.setSample (0, 0, 1.0f);
                engine.processBlock (block, midi);
            }

            counted = AllocationCounter::allocations() + AllocationCounter::deallocations() - before;
            running = false;
        });

    // Other threads allocate freely; only the audio thread's scope counts.
    for (int i = 0; running.load(); ++i)
    {
        setParameterValue (engine, "lowValue", (float) (i % 100));
        setParameterValue (engine, "gain", 20.0f + (float) (i * 53 % 19000));
        engine.updateParameters();
        tick (engine);
    }

    audio.join();
    EXPECT_EQ (counted.load(), 0);
}
