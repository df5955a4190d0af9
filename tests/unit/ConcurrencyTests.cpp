#include "Support.h"
#include <thread>

// Runs in every build: under ThreadSanitizer, which fails the run on any data race between the two
// threads, and in the binary that counts the audio thread's heap calls.
TEST (Concurrency, BlocksRunWholeSettingsWithoutTouchingTheHeapWhileTheMessageThreadUpdates)
{
    PluginAudioProcessor engine;
    prepare (engine, 48000.0, 64);
    std::atomic<bool> running { true };
    long partial = 0, nonFinite = 0, audioHeapCalls = 0;
    const auto audioThread = [&]
    {
        juce::MidiBuffer midi;
        for (int b = 0; b < 30000; ++b)
        {
            // Blocks of the announced size, oversized, of one sample, mono and without channels.
            auto block = noise (b % 50 == 0 ? 0 : 1 + b % 2, b % 7 == 0 ? 256 : b % 5 == 0 ? 1 : 64, b % 97 + 1);
            countHeapCalls = true;
            engine.processBlock (block, midi);
            countHeapCalls = false;
            partial += ! PluginAudioProcessorTestAccess::runsOneWholeDesign (engine);
            nonFinite +=
                block.getNumChannels() > 0 && ! std::isfinite (block.getRMSLevel (0, 0, block.getNumSamples()));
        }
        audioHeapCalls = heapCalls;
        running = false;
    };
    std::thread audio (audioThread);

    for (int i = 0; running; ++i)
    {
        set (engine, "topValue", (float) (i % 100));
        set (engine, "lowValue", (float) (i * 7 % 100));
        if (i % 2 == 0) // automation, which the engine designs for itself at the next block
            set (engine, "gain", 20.0f + (float) (i * 131 % 19980));
        set (engine, "midValue", (float) (i * 3 % 101));
        if (i % 3 == 0) // a window's knob, handing over a complete new set
            engine.updateParameters();
        if (engine.fftInputReady.load (std::memory_order_acquire))
            engine.drawNextFrameOfSpectrum(), engine.fftInputReady.store (false, std::memory_order_release);
        // Now and then no parameter changes until the next frame: only the flag then orders the work buffer's use.
        while (i % 8 == 0 && running && ! engine.fftInputReady.load (std::memory_order_acquire))
            std::this_thread::yield();
        juce::MemoryBlock state;
        engine.getStateInformation (state);
        engine.setStateInformation (state.getData(), (int) state.getSize());
    }
    audio.join();
    EXPECT_EQ (partial, 0);
    EXPECT_EQ (nonFinite, 0);
    EXPECT_EQ (audioHeapCalls, 0);
}
