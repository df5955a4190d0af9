#include "Support.h"

#include <thread>

// Runs in every build and, in CI, under ThreadSanitizer, which fails the run on any data race between
// the two threads.
TEST (Concurrency, BlocksRunWithWholeSettingsWhileTheMessageThreadUpdates)
{
    PluginAudioProcessor engine;
    prepare (engine, 48000.0, 64);
    std::atomic<bool> running { true };
    long partial = 0, nonFinite = 0;
    const auto audioThread = [&]
    {
        juce::MidiBuffer midi;
        for (int b = 0; b < 30000; ++b)
        {
            auto block = noise (2, 64, b % 97 + 1);
            engine.processBlock (block, midi);
            partial += ! PluginAudioProcessorTestAccess::runsOneWholeDesign (engine);
            nonFinite += ! std::isfinite (block.getRMSLevel (0, 0, 64));
        }
        running = false;
    };
    std::thread audio (audioThread);

    for (int i = 0; running; ++i)
    {
        set (engine, "topValue", (float) (i % 100));
        set (engine, "lowValue", (float) (i * 7 % 100));
        set (engine, "gain", 20.0f + (float) (i * 131 % 19980));
        set (engine, "midValue", (float) (i * 3 % 101));
        engine.updateParameters(); // as a window's knob does
        if (engine.fftInputReady.load (std::memory_order_acquire))
            engine.drawNextFrameOfSpectrum(), engine.fftInputReady.store (false, std::memory_order_release);
        juce::MemoryBlock state;
        engine.getStateInformation (state);
        engine.setStateInformation (state.getData(), (int) state.getSize());
    }
    audio.join();
    EXPECT_EQ (partial, 0);
    EXPECT_EQ (nonFinite, 0);
}
